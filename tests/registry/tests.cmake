# Registry toolkit: the value and the text lines natively; the key writer and the text lines
# against Wine's own registry and reg.exe.
langsetup_tests(
  CORE
    registry/reg_text_lines_test.cpp
    registry/reg_value_test.cpp
  WIN32
    registry/reg_text_lines_wine_test.cpp
    registry/registry_journal_test.cpp
    registry/registry_key_test.cpp
    registry/registry_value_io_test.cpp)
