# The whole program driven through its window: responsiveness during scans, and scans against
# the bare walk. Run with `bash tools/bench.sh responsiveness` and `bash tools/bench.sh product`.
add_library(fendrel_window_scan_driver STATIC ${CMAKE_CURRENT_LIST_DIR}/window_scan_driver.cpp)
target_compile_options(fendrel_window_scan_driver PRIVATE ${FENDREL_WARNINGS})
target_link_libraries(fendrel_window_scan_driver PUBLIC fendrel_test_support fendrel_platform psapi advapi32)
target_include_directories(fendrel_window_scan_driver PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${CMAKE_SOURCE_DIR})

add_executable(responsiveness_bench ${CMAKE_CURRENT_LIST_DIR}/responsiveness_bench.cpp)
target_compile_options(responsiveness_bench PRIVATE ${FENDREL_WARNINGS})
target_link_libraries(responsiveness_bench PRIVATE fendrel_window_scan_driver)
target_link_options(responsiveness_bench PRIVATE -municode)
add_dependencies(responsiveness_bench Fendrel dunmere_standin)

add_executable(product_bench ${CMAKE_CURRENT_LIST_DIR}/product_bench.cpp)
target_compile_options(product_bench PRIVATE ${FENDREL_WARNINGS})
target_link_libraries(product_bench PRIVATE fendrel_window_scan_driver fendrel_facts)
target_link_options(product_bench PRIVATE -municode)
add_dependencies(product_bench Fendrel dunmere_standin)
