# The publisher's Windows tests, run under Wine by ctest: the wizard sheet, its pages and
# dialogs created in-process from the publisher's own resources and driven through their real
# controls; message boxes and file dialogs answered by the scripted Ui. Screenshots of the pages
# and the About box land in the build folder as publisher-*.bmp.
if(TARGET Pagevane)
    file(GLOB PV_PUBLISHER_WIN32_TESTS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/publisher/*.cpp)
    set(PV_PUBLISHER_TEST_RC ${PROJECT_SOURCE_DIR}/publisher/Pagevane.rc)
    add_executable(publisher_win32_tests ${PV_PUBLISHER_WIN32_TESTS} ${PV_PUBLISHER_TEST_RC})
    target_sources(publisher_win32_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/AssertStop.cpp)
    target_include_directories(publisher_win32_tests PRIVATE
        ${CMAKE_CURRENT_SOURCE_DIR}/publisher ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(publisher_win32_tests PRIVATE pv_publisher gtest_main)
    target_link_options(publisher_win32_tests PRIVATE -mwindows -mconsole)
    add_dependencies(publisher_win32_tests viewer)
    set_source_files_properties(${PV_PUBLISHER_TEST_RC} PROPERTIES
        INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}/publisher;${PROJECT_SOURCE_DIR}/compiler;${PV_STUB_VIEWER_DIR}"
        OBJECT_DEPENDS "${PV_STUB_VIEWER_DIR}/viewer.exe;${PROJECT_SOURCE_DIR}/publisher/Pagevane.ico")
    add_test(NAME publisher_win32_tests COMMAND publisher_win32_tests)
    set_tests_properties(publisher_win32_tests PROPERTIES
        ENVIRONMENT "PV_SOURCE_DIR=Z:${PROJECT_SOURCE_DIR}" TIMEOUT 600)

    # The README's pictures of the publisher, taken by the same means as the tests above: not a
    # test, run by scripts/readme-pictures.sh (make readme-pictures).
    add_executable(readme_pictures ${CMAKE_CURRENT_SOURCE_DIR}/readme/ReadmePictures.cpp
                   ${CMAKE_CURRENT_SOURCE_DIR}/publisher/SheetTestUtil.cpp
                   ${CMAKE_CURRENT_SOURCE_DIR}/publisher/Screenshot.cpp ${PV_PUBLISHER_TEST_RC}
                   ${PROJECT_SOURCE_DIR}/tests/support/AssertStop.cpp)
    target_include_directories(readme_pictures PRIVATE
        ${CMAKE_CURRENT_SOURCE_DIR}/publisher ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(readme_pictures PRIVATE pv_publisher)
    target_link_options(readme_pictures PRIVATE -mwindows -mconsole)
    add_dependencies(readme_pictures viewer)
endif()

# Pagevane.exe driven from outside its process through a whole job; its e-book is compared
# byte for byte with what pagevane-cli.exe builds from the project file it saved.
if(TARGET Pagevane AND TARGET pagevane-cli)
    set(PV_E2E_PUBLISHER Pagevane)
    set(PV_E2E_CLI pagevane-cli)
    # A build whose programs carry another build's viewer (the x86_64 build carries the shipped
    # i686 one, which a machine without 32-bit support cannot start) drives twins of both
    # programs that carry its own viewer, so that the e-book Run E-Book starts can run. The two
    # still carry the same viewer, so their e-books must still be the same bytes.
    if(NOT PV_STUB_VIEWER_DIR STREQUAL "${CMAKE_BINARY_DIR}/viewer")
        set(own ${CMAKE_CURRENT_BINARY_DIR}/ownviewer)
        file(WRITE ${own}/Pagevane-ownviewer.rc "#include \"Pagevane.rc\"\n")
        file(WRITE ${own}/pagevane-cli-ownviewer.rc "#include \"cli/pagevane-cli.rc\"\n")
        add_executable(Pagevane-ownviewer WIN32 ${PROJECT_SOURCE_DIR}/publisher/PagevaneMain.cpp
                       ${own}/Pagevane-ownviewer.rc)
        target_link_libraries(Pagevane-ownviewer PRIVATE pv_publisher)
        target_link_options(Pagevane-ownviewer PRIVATE -s -mwindows)
        add_executable(pagevane-cli-ownviewer ${PROJECT_SOURCE_DIR}/cli/main.cpp
                       ${own}/pagevane-cli-ownviewer.rc)
        target_link_libraries(pagevane-cli-ownviewer PRIVATE pv_cli)
        target_link_options(pagevane-cli-ownviewer PRIVATE -s -mconsole)
        add_dependencies(Pagevane-ownviewer viewer)
        add_dependencies(pagevane-cli-ownviewer viewer)
        set_source_files_properties(${own}/Pagevane-ownviewer.rc ${own}/pagevane-cli-ownviewer.rc
            PROPERTIES
            INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}/publisher;${PROJECT_SOURCE_DIR}/compiler;${CMAKE_BINARY_DIR}/viewer;${PROJECT_SOURCE_DIR}"
            OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/viewer/viewer.exe")
        set(PV_E2E_PUBLISHER Pagevane-ownviewer)
        set(PV_E2E_CLI pagevane-cli-ownviewer)
    endif()
    add_executable(publisher_e2e_tests publisher_e2e/publisher_e2e_test.cpp publisher/Screenshot.cpp)
    target_include_directories(publisher_e2e_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/publisher
                               ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(publisher_e2e_tests PRIVATE gtest_main comctl32)
    add_dependencies(publisher_e2e_tests ${PV_E2E_PUBLISHER} ${PV_E2E_CLI})
    add_test(NAME publisher_e2e_tests COMMAND publisher_e2e_tests)
    set_tests_properties(publisher_e2e_tests PROPERTIES
        ENVIRONMENT "PV_PUBLISHER_EXE=Z:$<TARGET_FILE:${PV_E2E_PUBLISHER}>;PV_CLI_EXE=Z:$<TARGET_FILE:${PV_E2E_CLI}>;PV_SOURCE_DIR=Z:${PROJECT_SOURCE_DIR}"
        TIMEOUT 600)
endif()
