# The circuit fit of 70-point spectra of each documented circuit beside SciPy's least_squares on
# the same data, model and weighting (bench/eis_vs_scipy.py, started by the program).
add_executable(bench_eis_fit ${CMAKE_CURRENT_LIST_DIR}/eis_fit.cpp)
target_link_libraries(bench_eis_fit PRIVATE qor_potentiostat qor_data qor_common)
target_compile_definitions(bench_eis_fit PRIVATE QOR_BENCH_DIR="${CMAKE_CURRENT_LIST_DIR}")
