# Faults, kills and concurrency on generated ERPs: failing calls during the
# reads and the rewrite of the result table, rows refused by the database,
# runs side by side and against another program's lock, run logs that
# cannot be written (reliability_faults_test), and the program killed at
# spread moments of a large run (reliability_kill_test, a script).

vor_add_test(reliability_faults_test
  ${CMAKE_CURRENT_LIST_DIR}/fault_busy_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fault_log_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fault_site.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fault_write_test.cpp
)
target_link_libraries(reliability_faults_test PRIVATE vor_app vor_test_site
                      vor_testing vor_erp_tools Qt6::Core Qt6::Sql)
target_compile_definitions(reliability_faults_test PRIVATE
  VOR_PROGRAM_PATH="$<TARGET_FILE:vorencomendas>")
add_dependencies(reliability_faults_test vorencomendas)
set_tests_properties(reliability_faults_test PROPERTIES TIMEOUT 300)

find_program(VOR_BASH bash REQUIRED)
add_test(NAME reliability_kill_test
  COMMAND ${VOR_BASH} ${CMAKE_CURRENT_LIST_DIR}/kill_test.sh
          $<TARGET_FILE:vorencomendas> $<TARGET_FILE:vor-demo-erp> 20)
set_tests_properties(reliability_kill_test PROPERTIES TIMEOUT 300)
