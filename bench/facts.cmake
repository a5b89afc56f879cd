# The file-hash throughput and the signature check's time per file; run with tools/bench-md5.sh.
add_executable(md5_bench ${CMAKE_CURRENT_SOURCE_DIR}/md5_bench.cpp)
target_compile_options(md5_bench PRIVATE ${FENDREL_WARNINGS})
target_link_libraries(md5_bench PRIVATE fendrel_facts)
target_link_options(md5_bench PRIVATE -municode)
