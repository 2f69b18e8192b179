# The viewer's Windows tests, run under Wine by ctest:
#  - viewer_win32_tests: the e-book protocol through URL monikers, the main window, toolbar,
#    dialogs and splash in-process, and viewer.exe itself started as e-books made by appending
#    a store to it (self-test report, splash, About box at start, bare file);
#  - the viewer on WebView2, played by a stand-in runtime (viewer/standin): a library named and
#    exporting as the runtime's client library does, which the tests install in the prefix as
#    the runtime's installer would.
# The browser engine is switched off (mshtml=d) so that every Wine behaves alike: the control is
# created but cannot render, and the viewer must say so in place of the page.
# Screenshots of the display land in the build folder as viewer-*.bmp.
if(TARGET viewer)
    file(GLOB PV_VIEWER_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/viewer/*.cpp)
    add_executable(viewer_win32_tests ${PV_VIEWER_WIN32_TESTS} ${PROJECT_SOURCE_DIR}/viewer/viewer.rc)
    target_sources(viewer_win32_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/AssertStop.cpp)
    target_include_directories(viewer_win32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/viewer
                               ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(viewer_win32_tests PRIVATE pv_viewer_win pv_compiler pv_project
                          pv_platform gtest)
    target_link_options(viewer_win32_tests PRIVATE -mwindows -mconsole)
    add_dependencies(viewer_win32_tests viewer)
    # The viewer's resources are compiled into the test program too: a change must rebuild it.
    set_source_files_properties(${PROJECT_SOURCE_DIR}/viewer/viewer.rc PROPERTIES OBJECT_DEPENDS
        "${PROJECT_SOURCE_DIR}/viewer/viewer.ico;${PROJECT_SOURCE_DIR}/viewer/viewer.manifest;${PROJECT_SOURCE_DIR}/viewer/resource.h")
    add_library(pv_standin_webview SHARED ${CMAKE_CURRENT_SOURCE_DIR}/viewer/standin/StandInRuntime.cpp
                ${CMAKE_CURRENT_SOURCE_DIR}/viewer/standin/StandInResources.cpp
                ${PROJECT_SOURCE_DIR}/viewer/engines/ComGuids.cpp)
    set_target_properties(pv_standin_webview PROPERTIES OUTPUT_NAME EmbeddedBrowserWebView
                          PREFIX "")
    target_include_directories(pv_standin_webview PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(pv_standin_webview PRIVATE ole32 uuid)
    # The entry point is exported by its plain name, as the runtime's is.
    target_link_options(pv_standin_webview PRIVATE -Wl,--kill-at)
    add_dependencies(viewer_win32_tests pv_standin_webview)
    add_test(NAME viewer_win32_tests COMMAND viewer_win32_tests)
    set_tests_properties(viewer_win32_tests PROPERTIES
        ENVIRONMENT "WINEDLLOVERRIDES=mshtml=d;PV_VIEWER_EXE=Z:$<TARGET_FILE:viewer>;PV_STANDIN_DLL=Z:$<TARGET_FILE:pv_standin_webview>"
        TIMEOUT 600)
endif()
