# A stand-in for the Windows SDK's signtool.exe (tests/win32/signtool), which the end-to-end
# tests (tests/e2e/sign.sh) give pagevane-cli.exe sign under Wine, since no real signtool runs
# here. It checks the command lines it gets and signs and verifies as signtool would.
add_executable(signtool ${CMAKE_CURRENT_SOURCE_DIR}/signtool/StandInSigntool.cpp)
target_include_directories(signtool PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
