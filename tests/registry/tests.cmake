# Tests of the registry area.

# Registry value and registry-text lines.
target_sources(langsetup_core_tests PRIVATE
    registry/reg_value_test.cpp
    registry/reg_text_lines_test.cpp)
if(WIN32)
    target_sources(langsetup_win_tests PRIVATE
        registry/reg_text_lines_wine_test.cpp)
endif()

# Registry key writer (under Wine, on the real registry).
if(WIN32)
    target_sources(langsetup_win_tests PRIVATE
        registry/registry_journal_test.cpp
        registry/registry_key_test.cpp
        registry/registry_value_io_test.cpp)
endif()
