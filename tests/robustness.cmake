# The strict log checker joins the test files library, so every whole-scan test can run it.
target_sources(fendrel_test_files PRIVATE ${CMAKE_CURRENT_LIST_DIR}/log_checker.cpp)
fendrel_test(log_checker_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/log_checker_test.cpp LIBS fendrel_test_files)
