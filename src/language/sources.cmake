# Language installation: the language table, the module paths and names, the language manager.
langsetup_sources(
  CORE
    language/language_paths.cpp
    language/language_table.cpp
    language/module_command_line.cpp
    language/module_entry_rule.cpp
  WIN32
    language/language_folder_record_win32.cpp
    language/module_copy_win32.cpp
    language/res_manager_win32.cpp)
