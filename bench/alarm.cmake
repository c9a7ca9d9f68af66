# The alarms' share of a poll cycle's processor time: sixteen modules polled against qorsim --pty,
# then 64 alarms evaluated on that cycle's measurement.
if(TARGET Qt6::Core)
  add_executable(bench_alarm_eval ${CMAKE_CURRENT_LIST_DIR}/alarm_eval.cpp)
  target_link_libraries(bench_alarm_eval PRIVATE qor_alarm qor_station qor_io qor_data qor_catalogue qor_bus
                                                 qor_common Qt6::Core)
  target_include_directories(bench_alarm_eval PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(bench_alarm_eval PRIVATE QOR_BIN_DIR="${PROJECT_BINARY_DIR}/bin")
  add_dependencies(bench_alarm_eval qorsim)
endif()
