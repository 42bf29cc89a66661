target_sources(langsetup_core PRIVATE
    app/arg_list.cpp
    app/command_mode.cpp
    app/module_directory.cpp
    app/number_rule.cpp)
if(WIN32)
    target_sources(langsetup_win32 PRIVATE
        app/copied_file_win32.cpp
        app/process_args_win32.cpp
        app/run_command_win32.cpp)
endif()
