# Security properties of the whole program: codes reach statements and
# filters only as literals, the password never reaches a text that is shown,
# logged or printed, and saves of the settings file keep what is not theirs.
# Included by reliability/CMakeLists.txt.
set(vor_security_dir ${CMAKE_CURRENT_LIST_DIR})

vor_add_test(security_test
  ${vor_security_dir}/security_codes.cpp
  ${vor_security_dir}/security_sql_lexer.cpp
  ${vor_security_dir}/security_literal_test.cpp
  ${vor_security_dir}/security_password_test.cpp
  ${vor_security_dir}/security_settings_test.cpp
)
target_link_libraries(security_test PRIVATE vor_app vor_test_site vor_engine
                      vor_db vor_app_ui vor_settings vor_erp_tools
                      Qt6::Core Qt6::Sql)
# The password tests run the built program as well.
target_compile_definitions(security_test PRIVATE
  VOR_PROGRAM_PATH="$<TARGET_FILE:vorencomendas>")
add_dependencies(security_test vorencomendas)
