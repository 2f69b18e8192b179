# Cross-compiles the same sources with MinGW-w64 for x86-64. Used to run the Windows tests under
# the 64-bit Wine on machines whose kernel cannot start 32-bit programs; nothing built here is
# shipped, and e-books always start with the i686 viewer.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PV_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
