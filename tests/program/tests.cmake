# The program tests start the built flumewright executable; they need to know where it is.
if(TARGET test_program AND TARGET flumewright)
  add_dependencies(test_program flumewright)
  target_compile_definitions(test_program PRIVATE
    FLUMEWRIGHT_EXE="$<TARGET_FILE:flumewright>"
    FLUMEWRIGHT_SCHEMA="${CMAKE_SOURCE_DIR}/example/hdb_schema.sql")
endif()
# A MADIS line runs the surface dump program built beside flumewright.
if(TARGET test_program AND TARGET madis_dump)
  add_dependencies(test_program madis_dump)
endif()
