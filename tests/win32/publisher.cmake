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
    set_source_files_properties(${PV_PUBLISHER_TEST_RC} PROPERTIES
        INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}/resources;${PV_STUB_VIEWER_DIR}"
        OBJECT_DEPENDS "${PV_STUB_VIEWER_DIR}/viewer.exe;${PROJECT_SOURCE_DIR}/resources/Pagevane.ico")
    add_test(NAME publisher_win32_tests COMMAND publisher_win32_tests)
    set_tests_properties(publisher_win32_tests PROPERTIES
        ENVIRONMENT "PV_SOURCE_DIR=Z:${PROJECT_SOURCE_DIR}" TIMEOUT 600)
endif()

# Pagevane.exe driven from outside its process through a whole job; its e-book is compared
# byte for byte with what pagevane-cli.exe builds from the project file it saved.
if(TARGET Pagevane AND TARGET pagevane-cli)
    add_executable(publisher_e2e_tests publisher_e2e/publisher_e2e_test.cpp publisher/Screenshot.cpp)
    target_include_directories(publisher_e2e_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/publisher)
    target_link_libraries(publisher_e2e_tests PRIVATE gtest_main comctl32)
    add_dependencies(publisher_e2e_tests Pagevane pagevane-cli)
    add_test(NAME publisher_e2e_tests COMMAND publisher_e2e_tests)
    set_tests_properties(publisher_e2e_tests PROPERTIES
        ENVIRONMENT "PV_PUBLISHER_EXE=Z:$<TARGET_FILE:Pagevane>;PV_CLI_EXE=Z:$<TARGET_FILE:pagevane-cli>;PV_SOURCE_DIR=Z:${PROJECT_SOURCE_DIR}"
        TIMEOUT 600)
endif()
