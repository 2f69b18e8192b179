# pagevane-cli.exe run from outside its process with a wide command line (as a Windows shell
# starts it) and its output streams caught in files.
if(TARGET pagevane-cli)
    add_executable(cli_win32_tests cli_e2e/cli_e2e_test.cpp)
    target_include_directories(cli_win32_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
    target_link_libraries(cli_win32_tests PRIVATE pv_platform gtest_main)
    add_dependencies(cli_win32_tests pagevane-cli)
    add_test(NAME cli_win32_tests COMMAND cli_win32_tests)
    set_tests_properties(cli_win32_tests PROPERTIES
        ENVIRONMENT "PV_CLI_EXE=Z:$<TARGET_FILE:pagevane-cli>" TIMEOUT 300)
endif()
