# Link timing: CPU while waiting out a time-out, round trips through the pty and TCP.
add_executable(bench_link ${CMAKE_CURRENT_LIST_DIR}/bench_link.cpp)
target_link_libraries(bench_link PRIVATE qor_io qor_bus qor_common Qt6::Core)
target_include_directories(bench_link PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(bench_link PRIVATE QOR_BIN_DIR="${PROJECT_BINARY_DIR}/bin")
add_dependencies(bench_link qorsim)
