# Bad input: the built program (and the unattended run in-process) against
# broken settings files, catalogue files and ERP databases. Each case checks
# the exit code, that the message names what is wrong, and that the result
# table is left as it was when the run fails.
vor_add_test(input_test
  ${CMAKE_CURRENT_LIST_DIR}/input_site.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_settings_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_schema_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_values_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_codes_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_structures_test.cpp
)
target_link_libraries(input_test PRIVATE vor_app vor_test_site vor_erp_tools
                      Qt6::Core Qt6::Sql)
target_compile_definitions(input_test PRIVATE
  VOR_PROGRAM_PATH="$<TARGET_FILE:vorencomendas>")
add_dependencies(input_test vorencomendas)
