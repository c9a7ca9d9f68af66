# What writing to a time-series database costs: a day's backlog sent to a local database.
add_executable(bench_tsdb_backlog ${CMAKE_CURRENT_SOURCE_DIR}/tsdb_backlog.cpp)
target_link_libraries(bench_tsdb_backlog PRIVATE qor_plant)
