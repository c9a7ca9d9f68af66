# The potentiostat run window: one sample onto its three graphs, and the rebuild of a long run.
if(TARGET qor_ui)
  add_executable(bench_run_window ${CMAKE_CURRENT_LIST_DIR}/run_window.cpp)
  target_link_libraries(bench_run_window PRIVATE qor_ui)
endif()
