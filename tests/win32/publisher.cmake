# The publisher's Windows tests, run under Wine by ctest: the wizard sheet, its pages and
# dialogs created in-process from the publisher's own resources and driven through their real
# controls; message boxes and file dialogs answered by the scripted Ui. Screenshots of the pages
# and the About box land in the build folder as publisher-*.bmp.
if(TARGET Pagevane)
    file(GLOB PV_PUBLISHER_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/publisher/*.cpp)
    set(PV_PUBLISHER_TEST_RC ${PROJECT_SOURCE_DIR}/resources/Pagevane.rc)
    add_executable(publisher_win32_tests ${PV_PUBLISHER_WIN32_TESTS} ${PV_PUBLISHER_TEST_RC})
    target_include_directories(publisher_win32_tests PRIVATE
        ${CMAKE_CURRENT_SOURCE_DIR}/publisher ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(publisher_win32_tests PRIVATE pv_publisher gtest_main)
    target_link_options(publisher_win32_tests PRIVATE -mwindows -mconsole)
    add_dependencies(publisher_win32_tests viewer)
    get_target_property(viewer_dir viewer BINARY_DIR)
    set_source_files_properties(${PV_PUBLISHER_TEST_RC} PROPERTIES
        INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}/resources;${viewer_dir}"
        OBJECT_DEPENDS "${viewer_dir}/viewer.exe;${PROJECT_SOURCE_DIR}/resources/Pagevane.ico")
    add_test(NAME publisher_win32_tests COMMAND publisher_win32_tests)
    set_tests_properties(publisher_win32_tests PROPERTIES
        ENVIRONMENT "PV_SOURCE_DIR=Z:${PROJECT_SOURCE_DIR}" TIMEOUT 600)
endif()

