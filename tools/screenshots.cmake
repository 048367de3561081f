# vor-screenshots: pictures of the windows for the documentation, taken by
# tools/screenshots.sh under Xvfb.
add_executable(vor-screenshots screenshots_main.cpp)
target_link_libraries(vor-screenshots PRIVATE vor_app_ui)
# A tool of the documentation, built with the tests.
if(NOT VOR_BUILD_TESTS)
  set_target_properties(vor-screenshots PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
