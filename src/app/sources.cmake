# Start-up and dispatch: argument splitting, the number rule, the mode, the module directory, the
# trail.
langsetup_sources(
  CORE
    app/arg_list.cpp
    app/command_mode.cpp
    app/module_directory.cpp
    app/number_rule.cpp
    app/path_parts.cpp
    app/pe_image.cpp
    app/pipe_budget.cpp
    app/trail_line.cpp
    app/utf8_text.cpp
  WIN32
    app/held_copy_win32.cpp
    app/module_directory_win32.cpp
    app/opened_folder_win32.cpp
    app/process_args_win32.cpp
    app/process_attributes_win32.cpp
    app/run_command_win32.cpp
    app/running_image_win32.cpp
    app/trail_win32.cpp
    app/verified_start_win32.cpp)
