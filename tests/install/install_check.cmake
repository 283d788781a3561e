# Run by ctest: installs the build into PREFIX and checks what a user then has.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}): ${out}${err}")
endif()

foreach(f bin/flumewright bin/madis_dump
          share/flumewright/hdb_schema.sql share/flumewright/hdb_schema_postgres.sql
          share/flumewright/hdb_sites.sql
          share/flumewright/example/Flumewright_setup.txt share/flumewright/example/Level2RGB.txt
          share/flumewright/example/Level3RGB2RainRateA2m.txt share/flumewright/example/madis/sfcdump.par
          share/flumewright/scripts/load_hdb_schema_postgres.sh share/flumewright/scripts/make_workbook_hdb.py)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "cmake --install did not install ${f}")
  endif()
endforeach()
if(EXISTS ${PREFIX}/share/flumewright/example/services)
  message(FATAL_ERROR "the local services' replies are no part of an installed program folder")
endif()

# The installed program, with no program folder around it: --version and --help start no run.
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(COMMAND ${PREFIX}/bin/flumewright --version WORKING_DIRECTORY ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_VARIABLE version ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT version MATCHES "^Flumewright [0-9]+\\.[0-9]+\\.[0-9]+\n$")
  message(FATAL_ERROR "bin/flumewright --version gave ${rc}: '${version}${err}'")
endif()
execute_process(COMMAND ${PREFIX}/bin/flumewright --help WORKING_DIRECTORY ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_VARIABLE help)
if(NOT rc EQUAL 0 OR NOT help MATCHES "FLUMEWRIGHT_HOME")
  message(FATAL_ERROR "bin/flumewright --help gave ${rc}: '${help}'")
endif()
if(EXISTS ${PREFIX}/Flumewright_errlog.txt)
  message(FATAL_ERROR "--version or --help started a run")
endif()

# The installed workbook script finds the installed schema.
find_program(PYTHON3 python3)
if(PYTHON3)
  execute_process(COMMAND ${PYTHON3} ${PREFIX}/share/flumewright/scripts/make_workbook_hdb.py ${PREFIX}/hdb.xlsx
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT EXISTS ${PREFIX}/hdb.xlsx)
    message(FATAL_ERROR "the installed make_workbook_hdb.py failed (${rc}): ${out}${err}")
  endif()
endif()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "installed into ${PREFIX}: ${version}")
