# Registry toolkit: the registry value, the registry-text lines and the key writer.
langsetup_sources(
  CORE
    registry/reg_text_lines.cpp
    registry/reg_value.cpp
  WIN32
    registry/reg_text_lines_win32.cpp
    registry/registry_win32.cpp)
