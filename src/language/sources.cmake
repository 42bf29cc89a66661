target_sources(langsetup_core PRIVATE
    language/language_paths.cpp
    language/language_table.cpp
    language/module_command_line.cpp
    language/module_entry_rule.cpp)
if(WIN32)
    target_sources(langsetup_win32 PRIVATE
        language/module_copy_win32.cpp
        language/res_manager_win32.cpp)
endif()

# Language folder record.
if(WIN32)
    target_sources(langsetup_win32 PRIVATE
        language/language_folder_record_win32.cpp)
endif()
