# Tests of the language area.
target_sources(langsetup_core_tests PRIVATE
    language/language_table_test.cpp)

# Language folder record (under Wine, on the real registry).
if(WIN32)
    target_sources(langsetup_win_tests PRIVATE
        language/language_folder_record_win_test.cpp)
endif()
