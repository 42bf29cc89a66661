target_sources(langsetup_core_tests PRIVATE
    app/arg_list_test.cpp
    app/number_rule_test.cpp
    app/command_mode_test.cpp
    app/module_directory_test.cpp)
if(WIN32)
    target_sources(langsetup_win_tests PRIVATE
        app/run_command_e2e_test.cpp)
    # A program built like the shipped one that runs out of memory on request.
    add_executable(allocation_failure_probe WIN32 app/allocation_failure_main.cpp
                   ${PROJECT_SOURCE_DIR}/src/app/allocation_failure_win32.cpp)
    target_include_directories(allocation_failure_probe PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(allocation_failure_probe PRIVATE langsetup_product_options)
    target_link_options(allocation_failure_probe PRIVATE -municode)
    set_target_properties(allocation_failure_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                              ${CMAKE_CURRENT_BINARY_DIR})
    add_dependencies(langsetup_win_tests allocation_failure_probe)
endif()
