fendrel_test(result_lines_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/result_lines_test.cpp
  LIBS fendrel_scan fendrel_test_files)
fendrel_test(log_layout_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/log_layout_test.cpp
  LIBS fendrel_app fendrel_test_files)
fendrel_test(whole_scan_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/whole_scan_test.cpp ${CMAKE_CURRENT_LIST_DIR}/log_expectation.cpp
  LIBS fendrel_app fendrel_test_files)
fendrel_test(file_evaluation_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/file_evaluation_test.cpp ${CMAKE_CURRENT_LIST_DIR}/facts_fixture.cpp ${CMAKE_CURRENT_LIST_DIR}/log_expectation.cpp
  LIBS fendrel_app fendrel_test_files)
add_dependencies(file_evaluation_test facts_fixtures)
