# vor-screenshots: pictures of the windows for the documentation, taken by
# tools/screenshots.sh under Xvfb.
add_executable(vor-screenshots screenshots_main.cpp)
target_link_libraries(vor-screenshots PRIVATE vor_app_ui)
