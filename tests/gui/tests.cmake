# The windows' tests: the Qt windows over a session, driven as a user would, on the offscreen
# platform (no display needed). Run with --screenshot=FILE.png under xvfb-run it instead shows the
# window on the X display and saves a picture of the screen, to check the layout by eye.
if(TARGET flumewright_gui)
  find_package(Qt6 COMPONENTS Test REQUIRED)
  file(GLOB GUI_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/gui/*.cpp)
  add_executable(test_gui ${GUI_TEST_SOURCES})
  target_include_directories(test_gui PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(test_gui PRIVATE flumewright_gui Qt6::Test GTest::gtest GTest::gmock)
  if(TARGET flumewright_test_support)
    target_link_libraries(test_gui PRIVATE flumewright_test_support)
  endif()
  target_compile_definitions(test_gui PRIVATE FLUMEWRIGHT_FIXTURES="${CMAKE_SOURCE_DIR}/tests/fixtures")
  gtest_discover_tests(test_gui WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

# Printing loads the print system's libraries with dlopen; on a loaded machine LeakSanitizer's
# exit-time scan then reads a thread-local block of one of them that is not laid out yet and the
# scan itself crashes after the test has passed. Under the sanitizers that one test runs without
# the leak scan (address and undefined-behaviour checks stay on).
if(TARGET flumewright_gui AND ENABLE_SANITIZERS)
  set(GUI_SANITIZER_TESTS ${CMAKE_BINARY_DIR}/test_gui_sanitizer_env.cmake)
  file(WRITE ${GUI_SANITIZER_TESTS}
    "set_tests_properties(\"GraphWindowView.PrintWithoutAPrinterGivesAPdfInTheProgramFolder\"\n"
    "  PROPERTIES ENVIRONMENT \"QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0\")\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${GUI_SANITIZER_TESTS})
endif()
