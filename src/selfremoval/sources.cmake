# Self-removal: the waiter command line, and the two stages.
langsetup_sources(
  CORE
    selfremoval/waiter_command_line.cpp
  WIN32
    selfremoval/named_file_win32.cpp
    selfremoval/self_removal_win32.cpp)
