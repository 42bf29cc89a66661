# Tests of the language area.
target_sources(langsetup_core_tests PRIVATE
    language/language_table_test.cpp
    language/module_command_line_test.cpp
    language/module_entry_rule_test.cpp)
if(WIN32)
    # A stand-in language module that records how it was run (tests/sample_module.exe).
    add_executable(sample_module language/sample_module.cpp)
    target_include_directories(sample_module PRIVATE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(sample_module PRIVATE langsetup_options)
    target_link_options(sample_module PRIVATE -municode)
    set_target_properties(sample_module PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                   ${CMAKE_CURRENT_BINARY_DIR})
    add_dependencies(langsetup_win_tests sample_module)

    target_sources(langsetup_win_tests PRIVATE
        language/install_e2e_test.cpp
        language/res_manager_win_test.cpp)
    target_link_libraries(langsetup_win_tests PRIVATE shell32)
endif()

# Language folder record (under Wine, on the real registry).
if(WIN32)
    target_sources(langsetup_win_tests PRIVATE
        language/language_folder_record_win_test.cpp)
endif()
