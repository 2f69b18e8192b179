# The Win32 framework's Windows tests (wingui_win32_tests), run under Wine by ctest: dialogs and
# data exchange, the property sheet as a wizard, the registry profile, and the Win32 Ui with the
# system's own message box, folder browser and file dialog, driven from a helper thread.
file(GLOB PV_WINGUI_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/wingui/*.cpp)
add_executable(wingui_win32_tests ${PV_WINGUI_TESTS}
               ${CMAKE_CURRENT_SOURCE_DIR}/wingui/wingui_test.rc)
target_sources(wingui_win32_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/AssertStop.cpp)
target_include_directories(wingui_win32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/wingui
                           ${PROJECT_SOURCE_DIR}/tests/support)
target_link_libraries(wingui_win32_tests PRIVATE pv_ui pv_platform gtest shlwapi)
target_link_options(wingui_win32_tests PRIVATE -mwindows -mconsole)
add_test(NAME wingui_win32_tests COMMAND wingui_win32_tests)
set_tests_properties(wingui_win32_tests PROPERTIES TIMEOUT 300)
