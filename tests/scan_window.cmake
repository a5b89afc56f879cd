# Whole scans through the real window. The companion viewer is a stand-in that records how it
# was started.
add_executable(dunmere_standin ${CMAKE_CURRENT_LIST_DIR}/dunmere_standin.cpp)
target_link_options(dunmere_standin PRIVATE -municode)
fendrel_test(scan_window_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/scan_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/log_expectation.cpp LIBS fendrel_app fendrel_gui_driver fendrel_test_files)
add_dependencies(scan_window_test dunmere_standin Fendrel)
fendrel_desktop_test(scan_window_test)

# The run command's scan with the default options, driven without a person.
add_executable(default_scan ${CMAKE_SOURCE_DIR}/tools/default_scan.cpp)
target_link_libraries(default_scan PRIVATE fendrel_gui_driver)
target_include_directories(default_scan PRIVATE ${CMAKE_SOURCE_DIR})
add_dependencies(default_scan Fendrel)
