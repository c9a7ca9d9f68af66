# The step program template reader: no crash, no hang, and a template that reads writes
# back to itself.
qor_fuzzer(fuzz_stp ${CMAKE_CURRENT_LIST_DIR}/stp_template.cpp qor_potentiostat qor_data qor_common)
