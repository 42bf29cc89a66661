# Registry value: ParseLine on arbitrary lines, with the line writers for the round trip.
langsetup_add_fuzzer(reg_value_fuzzer reg_value_fuzzer.cpp)
