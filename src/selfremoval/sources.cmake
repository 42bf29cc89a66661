target_sources(langsetup_core PRIVATE
    selfremoval/waiter_command_line.cpp)
if(WIN32)
    target_sources(langsetup_win32 PRIVATE
        selfremoval/self_removal_win32.cpp)
endif()
