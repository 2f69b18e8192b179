# The viewer's Windows tests, run under Wine by ctest:
#  - viewer_win32_tests: the e-book protocol through URL monikers, the main window, toolbar,
#    dialogs and splash in-process, and viewer.exe itself started as e-books made by appending
#    a store to it (self-test report, splash, About box at start, bare file).
# The browser engine is switched off (mshtml=d) so that every Wine behaves alike: the control is
# created but cannot render, and the viewer must say so in place of the page.
# Screenshots of the display land in the build folder as viewer-*.bmp.
if(TARGET viewer)
    file(GLOB PV_VIEWER_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/viewer/*.cpp)
    add_executable(viewer_win32_tests ${PV_VIEWER_WIN32_TESTS} ${PROJECT_SOURCE_DIR}/viewer/viewer.rc)
    target_include_directories(viewer_win32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/viewer
                               ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(viewer_win32_tests PRIVATE pv_viewer_win pv_compiler pv_project
                          pv_platform gtest)
    target_link_options(viewer_win32_tests PRIVATE -mwindows -mconsole)
    add_dependencies(viewer_win32_tests viewer)
    # The viewer's resources are compiled into the test program too: a change must rebuild it.
    set_source_files_properties(${PROJECT_SOURCE_DIR}/viewer/viewer.rc PROPERTIES OBJECT_DEPENDS
        "${PROJECT_SOURCE_DIR}/viewer/viewer.ico;${PROJECT_SOURCE_DIR}/viewer/viewer.manifest;${PROJECT_SOURCE_DIR}/viewer/resource.h")
    add_test(NAME viewer_win32_tests COMMAND viewer_win32_tests)
    set_tests_properties(viewer_win32_tests PROPERTIES
        ENVIRONMENT "WINEDLLOVERRIDES=mshtml=d;PV_VIEWER_EXE=Z:$<TARGET_FILE:viewer>"
        TIMEOUT 600)
endif()
