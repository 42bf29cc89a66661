# Tests of the language area.
target_sources(langsetup_core_tests PRIVATE
    language/language_table_test.cpp)
