# Registry value (OS-free).
target_sources(langsetup_core PRIVATE
    registry/reg_value.cpp)

# Registry key writer.
if(WIN32)
    target_sources(langsetup_win32 PRIVATE
        registry/registry_win32.cpp)
endif()
