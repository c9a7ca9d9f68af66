# Data logger graph: a full logger file (1,048,575 bytes) opened and drawn in the dialog, and
# its export as a table.
if(TARGET qor_ui)
  add_executable(bench_logger ${CMAKE_CURRENT_SOURCE_DIR}/logger_open_export.cpp)
  target_link_libraries(bench_logger PRIVATE qor_ui benchmark::benchmark)
endif()
