# The formula interpreter: no crash, no hang, and the compiled route equal to the literal
# text rewriting of tests/formula/text_oracle.h for any formula and values.
qor_fuzzer(fuzz_formula ${CMAKE_CURRENT_LIST_DIR}/formula_fuzz.cpp qor_formula qor_data qor_catalogue qor_common)
target_include_directories(fuzz_formula PRIVATE ${PROJECT_SOURCE_DIR}/tests)
