# Self-removal.
langsetup_tests(
  CORE
    selfremoval/waiter_command_line_test.cpp
  WIN32
    selfremoval/self_removal_e2e_test.cpp
    selfremoval/self_removal_win32_test.cpp)

# A process that lives until the test ends it, for the waiter to wait on.
langsetup_test_program(selfremoval_sleeper SOURCES selfremoval/sleeper_main.cpp)
