# Graph engine: repaint of 54 week-long curves side by side with QCustomPlot, live appends,
# memory (QCustomPlot is linked here and nowhere else).
if(TARGET Qt6::Widgets)
  find_library(QOR_QCUSTOMPLOT NAMES QCustomPlotQt6)
  find_path(QOR_QCUSTOMPLOT_INCLUDE qcustomplot.h)
  if(QOR_QCUSTOMPLOT AND QOR_QCUSTOMPLOT_INCLUDE)
    add_executable(bench_graph ${CMAKE_CURRENT_SOURCE_DIR}/graph_repaint.cpp)
    target_compile_definitions(bench_graph PRIVATE QCUSTOMPLOT_USE_LIBRARY)
    target_include_directories(bench_graph PRIVATE ${QOR_QCUSTOMPLOT_INCLUDE})
    target_link_libraries(bench_graph PRIVATE qor_graph_widgets benchmark::benchmark ${QOR_QCUSTOMPLOT}
                                              Qt6::PrintSupport)
  else()
    message(WARNING "QCustomPlot (libqcustomplot-dev) not found: bench_graph is not built")
  endif()
endif()
# The document graph of a recorded week: memory against the file, opening against loading,
# the recording tick.
if(TARGET Qt6::Widgets)
  add_executable(bench_document_graph ${CMAKE_CURRENT_SOURCE_DIR}/document_graph_week.cpp)
  target_link_libraries(bench_document_graph PRIVATE qor_graph_widgets qor_data qor_catalogue qor_common)
endif()
