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
# Outside-model lines load the fake HEC-DSS and SWMM libraries the model tests build.
if(TARGET test_program AND TARGET fake_hecdss AND TARGET fake_swmm5)
  add_dependencies(test_program fake_hecdss fake_swmm5)
  target_compile_definitions(test_program PRIVATE
    FW_FAKE_HECDSS="$<TARGET_FILE:fake_hecdss>"
    FW_FAKE_SWMM5="$<TARGET_FILE:fake_swmm5>")
endif()
