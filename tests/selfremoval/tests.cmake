# Tests of the selfremoval area.
target_sources(langsetup_core_tests PRIVATE
    selfremoval/waiter_command_line_test.cpp
    selfremoval/whole_path_test.cpp)
if(WIN32)
    # A process that lives until the test ends it, for the waiter to wait on.
    add_executable(selfremoval_sleeper selfremoval/sleeper_main.cpp)
    target_link_libraries(selfremoval_sleeper PRIVATE langsetup_options)
    target_sources(langsetup_win_tests PRIVATE
        selfremoval/self_removal_win32_test.cpp
        selfremoval/self_removal_e2e_test.cpp)
    add_dependencies(langsetup_win_tests selfremoval_sleeper)
endif()
