# One static library per source folder. Sources are collected from the folder, so a new
# class only needs its .h/.cpp pair; the dependencies are named here, pointing downward only.
function(qor_layer name)
  cmake_parse_arguments(L "" "" "DEPS;QT" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(_cpp ${_srcs})
  list(FILTER _cpp INCLUDE REGEX "\\.cpp$")
  if(_cpp)
    add_library(${name} STATIC ${_srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${L_DEPS} ${L_QT})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${L_DEPS} ${L_QT})
  endif()
endfunction()

# One test program per layer folder under tests/; every GoogleTest case becomes a CTest test of
# its own, found when ctest runs (nothing runs at build time).
include(GoogleTest)
function(qor_test_dir name)
  cmake_parse_arguments(T "QT" "" "LIBS;ENV" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE QOR_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/fixtures"
                                             QOR_BIN_DIR="${PROJECT_BINARY_DIR}/bin")
  set(_env "QT_QPA_PLATFORM=offscreen"
           "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
           "ASAN_OPTIONS=detect_leaks=1"
           ${T_ENV})
  # The cases run through `cmake -E env` with that environment; so does the listing of the cases, which
  # starts the sanitized program too. (A list in the ENVIRONMENT property does not survive the
  # trip through gtest_discover_tests.)
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${_env}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 900)
endfunction()
