# Tests of the registry area.

# Registry value.
target_sources(langsetup_core_tests PRIVATE
    registry/reg_value_test.cpp)
