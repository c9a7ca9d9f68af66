# Programming a 255-step program through the pty at 56000 baud against the wire time.
add_executable(bench_pot_program ${CMAKE_CURRENT_LIST_DIR}/pot_program.cpp)
target_link_libraries(bench_pot_program PRIVATE qor_station qor_potentiostat qor_io qor_bus qor_common Qt6::Core)
target_include_directories(bench_pot_program PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_definitions(bench_pot_program PRIVATE QOR_BIN_DIR="${PROJECT_BINARY_DIR}/bin")
add_dependencies(bench_pot_program qorsim)
