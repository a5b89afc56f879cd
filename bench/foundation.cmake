add_executable(pattern_bench ${CMAKE_CURRENT_LIST_DIR}/pattern_bench.cpp)
target_compile_options(pattern_bench PRIVATE ${FENDREL_WARNINGS} -Wno-conversion)
target_link_libraries(pattern_bench PRIVATE fendrel_scan)
