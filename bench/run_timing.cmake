# /install and /clean: how long each runs, for several builds in one interleaved run, and how
# soon after /clean's end the tool's file is gone (a Windows program, run under Wine by
# scripts/clean-timing).
add_executable(run_timing run_timing_win32.cpp)
target_include_directories(run_timing PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(run_timing PRIVATE langsetup_options)
target_link_options(run_timing PRIVATE -municode)
