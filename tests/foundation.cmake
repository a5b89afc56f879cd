add_library(fendrel_test_files STATIC ${CMAKE_CURRENT_LIST_DIR}/temp_folder.cpp)
target_include_directories(fendrel_test_files PUBLIC ${CMAKE_CURRENT_LIST_DIR})

fendrel_test(pattern_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/pattern_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pattern_differential_test.cpp LIBS fendrel_scan fendrel_test_files)
fendrel_test(text_file_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_file_test.cpp ${CMAKE_CURRENT_LIST_DIR}/file_system_test.cpp
  LIBS fendrel_platform fendrel_test_files)
fendrel_test(message_drains_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/message_drains_test.cpp LIBS fendrel_scan)
fendrel_test(scan_session_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/scan_session_test.cpp LIBS fendrel_scan)
fendrel_test(registry_paths_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/registry_paths_test.cpp
  LIBS fendrel_platform fendrel_test_files)
fendrel_desktop_test(registry_paths_test)
fendrel_desktop_test(message_drains_test)
