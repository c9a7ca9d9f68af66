qor_fuzzer(archive_fuzz ${CMAKE_CURRENT_SOURCE_DIR}/archive_doc.cpp qor_data qor_catalogue qor_common)
