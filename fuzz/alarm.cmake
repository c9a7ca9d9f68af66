# alarms.ini and the alarm JSON line: no crash, and what reads writes back to what reads the same.
qor_fuzzer(fuzz_alarm ${CMAKE_CURRENT_LIST_DIR}/alarm_fuzz.cpp qor_alarm qor_station qor_data qor_catalogue
           qor_formula qor_common)
