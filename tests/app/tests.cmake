target_sources(langsetup_core_tests PRIVATE
    app/arg_list_test.cpp
    app/number_rule_test.cpp
    app/command_mode_test.cpp
    app/module_directory_test.cpp)
if(WIN32)
    target_sources(langsetup_win_tests PRIVATE
        app/run_command_e2e_test.cpp)
endif()
