# Registry value (OS-free).
target_sources(langsetup_core PRIVATE
    registry/reg_value.cpp)

# Registry-text lines: OS-free formatting, and the WriteFile edge.
target_sources(langsetup_core PRIVATE
    registry/reg_text_lines.cpp)
if(WIN32)
    target_sources(langsetup_win32 PRIVATE
        registry/reg_text_lines_win32.cpp)
endif()

# Registry key writer.
if(WIN32)
    target_sources(langsetup_win32 PRIVATE
        registry/registry_win32.cpp)
endif()
