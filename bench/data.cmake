# Load and save of a week of 1 s samples, each beside the bare file read or write.
add_executable(bench_data_load_save ${CMAKE_CURRENT_SOURCE_DIR}/data_load_save.cpp)
target_link_libraries(bench_data_load_save PRIVATE qor_data qor_catalogue qor_common)
