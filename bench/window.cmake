add_executable(window_bench ${CMAKE_CURRENT_LIST_DIR}/window_bench.cpp ${CMAKE_SOURCE_DIR}/res/fendrel.rc)
target_compile_options(window_bench PRIVATE ${FENDREL_WARNINGS})
target_link_libraries(window_bench PRIVATE fendrel_ui)
