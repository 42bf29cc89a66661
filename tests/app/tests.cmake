# Start-up and dispatch.
langsetup_tests(
  CORE
    app/arg_list_test.cpp
    app/command_mode_test.cpp
    app/module_directory_test.cpp
    app/number_rule_test.cpp
    app/pe_image_test.cpp
    app/pipe_budget_test.cpp
    app/trail_line_test.cpp
    app/utf8_text_test.cpp
    app/whole_path_test.cpp
  WIN32
    app/module_directory_win_test.cpp
    app/held_start_win_test.cpp
    app/opened_folder_win_test.cpp
    app/run_command_e2e_test.cpp
    app/trail_e2e_test.cpp)

# A program built like the shipped one that runs out of memory on request.
langsetup_test_program(allocation_failure_probe GUI
    SOURCES app/allocation_failure_main.cpp
            ${PROJECT_SOURCE_DIR}/src/app/allocation_failure_win32.cpp
    OPTIONS langsetup_product_options)
