# Registry value (OS-free).
target_sources(langsetup_core PRIVATE
    registry/reg_value.cpp)
