# Language installation: the language table, the module paths and the language manager.
langsetup_sources(
  CORE
    language/language_paths.cpp
    language/language_table.cpp
    language/module_command_line.cpp
  WIN32
    language/language_folder_record_win32.cpp
    language/res_manager_win32.cpp)
