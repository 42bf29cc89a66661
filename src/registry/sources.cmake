# Registry value, key writer and registry-text lines.

# Registry key writer.
if(WIN32)
    target_sources(langsetup_win32 PRIVATE
        registry/registry_win32.cpp)
endif()
