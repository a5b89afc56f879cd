# The robustness cases too slow for the test suite: fifty scans with their handles and memory,
# a chain of folders to the host's path limit and a hundred thousand files in one folder, timed. Run it with
#   build/x86_64/wine-run.sh build/x86_64/bench/robustness_bench.exe
add_executable(robustness_bench ${CMAKE_CURRENT_LIST_DIR}/robustness_bench.cpp)
target_compile_options(robustness_bench PRIVATE ${FENDREL_WARNINGS} -Wno-conversion)
target_link_libraries(robustness_bench PRIVATE fendrel_app fendrel_test_support psapi)
add_dependencies(robustness_bench facts_fixtures)
