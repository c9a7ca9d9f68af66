# What the sample journal costs a recording of sixteen modules at 1 s.
add_executable(bench_journal_cost ${CMAKE_CURRENT_SOURCE_DIR}/journal_cost.cpp)
target_link_libraries(bench_journal_cost PRIVATE qor_data qor_catalogue qor_common)
