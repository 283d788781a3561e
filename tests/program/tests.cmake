# The program tests start the built flumewright executable; they need to know where it is.
if(TARGET test_program AND TARGET flumewright)
  add_dependencies(test_program flumewright)
  target_compile_definitions(test_program PRIVATE
    FLUMEWRIGHT_EXE="$<TARGET_FILE:flumewright>"
    FLUMEWRIGHT_SCHEMA="${CMAKE_SOURCE_DIR}/example/hdb_schema.sql")
endif()
