# The window: the real program driven from outside, and the window services in-process.
add_library(fendrel_gui_driver STATIC ${CMAKE_CURRENT_LIST_DIR}/gui_driver.cpp)
target_include_directories(fendrel_gui_driver PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(fendrel_gui_driver PUBLIC user32 gdi32)

fendrel_test(main_window_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
  LIBS fendrel_gui_driver fendrel_test_files)
add_dependencies(main_window_test Fendrel)
fendrel_desktop_test(main_window_test)

# In-process window tests carry the program's resources: its icons, and the manifest that
# gives them the same common controls as the program.
add_library(fendrel_window_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/window_test_support.cpp)
target_link_libraries(fendrel_window_test_support PUBLIC fendrel_ui fendrel_gui_driver)
target_include_directories(fendrel_window_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})

fendrel_test(message_box_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/message_box_test.cpp ${CMAKE_SOURCE_DIR}/res/fendrel.rc
  LIBS fendrel_window_test_support)
fendrel_desktop_test(message_box_test)
fendrel_test(painted_surfaces_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/painted_surfaces_test.cpp
  ${CMAKE_SOURCE_DIR}/res/fendrel.rc LIBS fendrel_window_test_support)
fendrel_desktop_test(painted_surfaces_test)
fendrel_test(pickers_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/pickers_test.cpp ${CMAKE_SOURCE_DIR}/res/fendrel.rc
  LIBS fendrel_window_test_support)
fendrel_desktop_test(pickers_test)
fendrel_test(window_logic_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_logic_test.cpp
  ${CMAKE_SOURCE_DIR}/res/fendrel.rc LIBS fendrel_app fendrel_window_test_support)
fendrel_desktop_test(window_logic_test)
