add_executable(walk_bench ${CMAKE_CURRENT_LIST_DIR}/walk_bench.cpp)
target_compile_options(walk_bench PRIVATE ${FENDREL_WARNINGS} -Wno-conversion)
target_link_libraries(walk_bench PRIVATE fendrel_app psapi)
target_link_options(walk_bench PRIVATE -municode)
