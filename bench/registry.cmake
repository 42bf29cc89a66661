# Registry-text lines: CRegValue::ParseLine on hex lines and the hex line writer on a real file.
find_package(benchmark REQUIRED)
add_executable(reg_text_bench reg_text_bench.cpp)
target_link_libraries(reg_text_bench PRIVATE langsetup_core benchmark::benchmark)
