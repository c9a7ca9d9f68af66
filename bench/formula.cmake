# Virtual-channel evaluation against muparser, and the text export against pandas
# (bench/export_vs_pandas.py drives the latter).
find_library(QOR_MUPARSER_LIB muparser)
find_path(QOR_MUPARSER_INCLUDE muParser.h)
add_executable(bench_formula ${CMAKE_CURRENT_LIST_DIR}/formula_eval.cpp)
target_link_libraries(bench_formula PRIVATE qor_formula qor_data qor_catalogue qor_common benchmark::benchmark)
if(QOR_MUPARSER_LIB AND QOR_MUPARSER_INCLUDE)
  target_include_directories(bench_formula PRIVATE ${QOR_MUPARSER_INCLUDE})
  target_link_libraries(bench_formula PRIVATE ${QOR_MUPARSER_LIB})
  target_compile_definitions(bench_formula PRIVATE QOR_HAVE_MUPARSER=1)
endif()

add_executable(bench_export_week ${CMAKE_CURRENT_LIST_DIR}/export_week.cpp)
target_link_libraries(bench_export_week PRIVATE qor_export qor_formula qor_data qor_catalogue qor_common)
