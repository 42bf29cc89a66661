# Registry value: ParseLine on arbitrary lines, with the line writers for the round trip and the
# registry tests' OS-free value records (tests/registry/reg_test_values.h).
langsetup_add_fuzzer(reg_value_fuzzer reg_value_fuzzer.cpp)
target_include_directories(reg_value_fuzzer PRIVATE ${PROJECT_SOURCE_DIR}/tests)
