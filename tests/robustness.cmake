# The strict log checker joins the test files library, so every whole-scan test can run it;
# so does the host shell, for trees that Win32 cannot make.
target_sources(fendrel_test_files PRIVATE ${CMAKE_CURRENT_LIST_DIR}/log_checker.cpp ${CMAKE_CURRENT_LIST_DIR}/host_shell.cpp)
fendrel_test(log_checker_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/log_checker_test.cpp LIBS fendrel_test_files)

# Whole scans through the real window under bad input, faults and load.
fendrel_test(robustness_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/robustness_test.cpp
  LIBS fendrel_gui_driver fendrel_test_files ntdll)
add_dependencies(robustness_test Fendrel dunmere_standin)
fendrel_desktop_test(robustness_test)
