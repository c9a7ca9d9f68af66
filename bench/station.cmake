# One poll cycle of sixteen modules through the station against qorsim --pty with wire time.
if(TARGET Qt6::Core)
  add_executable(bench_station_poll_cycle ${CMAKE_CURRENT_LIST_DIR}/station_poll_cycle.cpp)
  target_link_libraries(bench_station_poll_cycle PRIVATE qor_station qor_io qor_data qor_catalogue qor_bus
                                                         qor_common Qt6::Core)
  target_include_directories(bench_station_poll_cycle PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(bench_station_poll_cycle PRIVATE QOR_BIN_DIR="${PROJECT_BINARY_DIR}/bin")
  add_dependencies(bench_station_poll_cycle qorsim)
endif()
