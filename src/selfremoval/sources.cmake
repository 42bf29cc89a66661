# Self-removal: the waiter command line, and the two stages.
langsetup_sources(
  CORE
    selfremoval/waiter_command_line.cpp
  WIN32
    selfremoval/named_file_win32.cpp
    selfremoval/running_image_win32.cpp
    selfremoval/self_removal_win32.cpp
    selfremoval/waiter_start_win32.cpp)
