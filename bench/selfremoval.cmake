# /clean: how long it runs, and how soon after its end the tool's file is gone (a Windows program,
# run under Wine by scripts/clean-timing).
add_executable(clean_timing clean_timing_win32.cpp)
target_link_libraries(clean_timing PRIVATE langsetup_options)
target_link_options(clean_timing PRIVATE -municode)
