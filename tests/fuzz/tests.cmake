# Fuzzing with libFuzzer: the script engine, and the transform and retriever of every service reply.
# The main build uses g++, which has no libFuzzer, so the fuzzers are compiled here with clang++
# from the core's own sources (each object once, shared by both programs) and run as tests for a
# fixed number of inputs each, from a fixed seed, so that a run takes seconds and the runs of two
# fresh builds try the same inputs. Without a clang++ that can link -fsanitize=fuzzer the tests report themselves
# skipped. The sanitizer build does not run them again: the fuzzers carry AddressSanitizer and
# UndefinedBehaviorSanitizer themselves, and the standard library's own bounds checks besides.

set(FUZZ_RUNS 2000 CACHE STRING "Inputs each fuzz test tries")

find_program(FUZZ_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
set(FUZZ_FLAGS -std=c++20 -O1 -gline-tables-only -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=undefined -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS)
set(FUZZ_LINK_FLAGS -fsanitize=fuzzer,address,undefined)

set(FUZZ_USABLE OFF)
if(FUZZ_CLANGXX)
  set(probe_dir ${CMAKE_BINARY_DIR}/fuzz_probe)
  file(MAKE_DIRECTORY ${probe_dir})
  file(WRITE ${probe_dir}/probe.cpp
       "#include <cstddef>\n#include <cstdint>\n"
       "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, std::size_t) { return 0; }\n")
  execute_process(COMMAND ${FUZZ_CLANGXX} ${FUZZ_FLAGS} ${FUZZ_LINK_FLAGS} probe.cpp -o probe
                  WORKING_DIRECTORY ${probe_dir} RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
  if(probe_result EQUAL 0)
    set(FUZZ_USABLE ON)
  endif()
endif()

# The reply fuzzer's targets, each with the fixtures its seeds are taken from.
set(FUZZ_REPLY_TARGETS
    "usgs=usgs/dv_discharge.rdb,usgs/iv_two_params.rdb,usgs/iv_missing_first_value.rdb,usgs/uv_legacy.rdb,usgs/uv_legacy_error.html"
    "cdec=cdec/hourly_flow.csv,cdec/daily_storage.csv"
    "hydromet=hydromet/daycsv_wind.txt,hydromet/instant_two_params.txt"
    "lower_colorado=lower_colorado/hourly_report.json,lower_colorado/hdb_page.html"
    "canada=canada/BC_08MF005_hourly_hydrometric.csv,canada/climate_hourly_BC_1108395_2024_P1H.csv"
    "snotel=snotel/report.csv"
    "coe=coe/shefdata2.html"
    "kiwis=kiwis/values.txt"
    "afws=afws/tabular.html"
    "cimis=ftp/pub/hourly.csv,ftp/pub2/daily/daily2.csv,ftp/pub2/hourly/hourly2.csv"
    "nwps=forecasts/stageflow.json,forecasts/stageflow_none.json"
    "dwml=forecasts/digital_dwml.xml"
    "spotwx=forecasts/spotwx_hrrr.html"
    "snowcast=forecasts/snowcast_station.html"
    "synoptic=weather/synoptic_wbb.csv"
    "mesowest=weather/mesowest_wbb.csv"
    "wunderground=weather/pws_table.html,weather/pws_json.html,weather/asos_sfo.csv"
    "weather_daily=weather/daily_airport.csv"
    "madis_history=weather/madis_cgi.html")

if(ENABLE_SANITIZERS)
  # Nothing to add: the normal build runs the fuzzers.
elseif(NOT FUZZ_USABLE)
  set(fuzz_names script)
  foreach(entry ${FUZZ_REPLY_TARGETS})
    string(REGEX REPLACE "=.*" "" name "${entry}")
    list(APPEND fuzz_names reply_${name})
  endforeach()
  foreach(name ${fuzz_names})
    add_test(NAME fuzz_${name} COMMAND ${CMAKE_COMMAND} -E echo "no clang++ with libFuzzer: fuzzing skipped")
    set_tests_properties(fuzz_${name} PROPERTIES SKIP_REGULAR_EXPRESSION "skipped")
  endforeach()
else()
  set(fuzz_dir ${CMAKE_BINARY_DIR}/fuzz.dir)
  set(fuzz_includes -I${CMAKE_SOURCE_DIR}/src)
  foreach(dir ${SQLite3_INCLUDE_DIRS} ${CURL_INCLUDE_DIRS} ${PostgreSQL_INCLUDE_DIRS} ${NETCDF_INCLUDE_DIRS}
              ${WORKBOOK_INCLUDE_DIRS} ${Qt6Gui_INCLUDE_DIRS})
    list(APPEND fuzz_includes -I${dir})
  endforeach()
  # Qt's headers insist on position-independent code.
  set(fuzz_defines -DFLUMEWRIGHT_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
      -DFLUMEWRIGHT_VERSION_MINOR=${PROJECT_VERSION_MINOR} -DFLUMEWRIGHT_VERSION_PATCH=${PROJECT_VERSION_PATCH}
      ${Qt6Gui_DEFINITIONS} -fPIC)
  set(fuzz_launcher "")
  if(CCACHE_PROGRAM)
    set(fuzz_launcher ${CCACHE_PROGRAM})
  endif()

  # One clang object per source; the depfile names the headers it read.
  function(fuzz_object src out)
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${src})
    string(REPLACE "/" "_" obj ${rel})
    set(obj ${fuzz_dir}/${obj}.o)
    add_custom_command(OUTPUT ${obj}
                       COMMAND ${fuzz_launcher} ${FUZZ_CLANGXX} ${FUZZ_FLAGS} ${fuzz_defines} ${fuzz_includes}
                               -MD -MF ${obj}.d -c ${src} -o ${obj}
                       DEPENDS ${src} DEPFILE ${obj}.d
                       COMMENT "Compiling ${rel} for the fuzzers" VERBATIM)
    set(${out} ${obj} PARENT_SCOPE)
  endfunction()

  file(GLOB_RECURSE fuzz_core_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp)
  list(FILTER fuzz_core_sources EXCLUDE REGEX "/src/gui/")
  list(FILTER fuzz_core_sources EXCLUDE REGEX "/src/main\\.cpp$")
  list(FILTER fuzz_core_sources EXCLUDE REGEX "/src/madis_dump_main\\.cpp$")
  set(fuzz_core_objects "")
  set(fuzz_script_objects "")
  foreach(src ${fuzz_core_sources})
    fuzz_object(${src} obj)
    list(APPEND fuzz_core_objects ${obj})
    if(src MATCHES "/src/platform/(script|vb)/")
      list(APPEND fuzz_script_objects ${obj})
    endif()
  endforeach()
  fuzz_object(${CMAKE_SOURCE_DIR}/tests/fuzz/script_fuzz.cpp script_driver)
  fuzz_object(${CMAKE_SOURCE_DIR}/tests/fuzz/reply_fuzz.cpp reply_driver)

  set(fuzz_libraries ${SQLite3_LIBRARIES} ${CURL_LIBRARIES} ${PostgreSQL_LIBRARIES} ${NETCDF_LINK_LIBRARIES}
      ${WORKBOOK_LINK_LIBRARIES} $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Core> -lpthread)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/fuzz_script
                     COMMAND ${FUZZ_CLANGXX} ${FUZZ_LINK_FLAGS} ${script_driver} ${fuzz_script_objects}
                             -o ${CMAKE_BINARY_DIR}/fuzz_script
                     DEPENDS ${script_driver} ${fuzz_script_objects}
                     COMMENT "Linking the script fuzzer" VERBATIM)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/fuzz_replies
                     COMMAND ${FUZZ_CLANGXX} ${FUZZ_LINK_FLAGS} ${reply_driver} ${fuzz_core_objects}
                             ${fuzz_libraries} -o ${CMAKE_BINARY_DIR}/fuzz_replies
                     DEPENDS ${reply_driver} ${fuzz_core_objects}
                     COMMENT "Linking the reply fuzzer" VERBATIM)
  add_custom_target(fuzz_programs ALL DEPENDS ${CMAKE_BINARY_DIR}/fuzz_script ${CMAKE_BINARY_DIR}/fuzz_replies)

  # New inputs go to a corpus in the build folder; the seeds in the source tree are only read.
  # A target that is slower than its share, or asks for much memory, is a fault like a crash.
  set(fuzz_options -runs=${FUZZ_RUNS} -seed=1 -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz_script_corpus ${CMAKE_BINARY_DIR}/fuzz_artifacts)
  add_test(NAME fuzz_script
           COMMAND ${CMAKE_BINARY_DIR}/fuzz_script ${fuzz_options}
                   -dict=${CMAKE_SOURCE_DIR}/tests/fuzz/script.dict
                   -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz_artifacts/script-
                   ${CMAKE_BINARY_DIR}/fuzz_script_corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/script)
  # Sanitizer reports need no freshly filled allocations and no long quarantine here: half the time.
  set(fuzz_environment "ASAN_OPTIONS=max_malloc_fill_size=0:quarantine_size_mb=16:malloc_context_size=8")
  set_tests_properties(fuzz_script PROPERTIES TIMEOUT 300 ENVIRONMENT "${fuzz_environment}")

  foreach(entry ${FUZZ_REPLY_TARGETS})
    string(REGEX REPLACE "=.*" "" name "${entry}")
    string(REGEX REPLACE "^[^=]*=" "" fixtures "${entry}")
    string(REPLACE "," ";" fixtures "${fixtures}")
    # The seeds are copies of the fixtures, in a folder of their own as libFuzzer wants them.
    set(seeds ${CMAKE_BINARY_DIR}/fuzz_reply_${name}_seeds)
    file(MAKE_DIRECTORY ${seeds} ${CMAKE_BINARY_DIR}/fuzz_reply_${name}_corpus)
    foreach(fixture ${fixtures})
      configure_file(${CMAKE_SOURCE_DIR}/tests/fixtures/${fixture} ${seeds}/ COPYONLY)
    endforeach()
    add_test(NAME fuzz_reply_${name}
             COMMAND ${CMAKE_BINARY_DIR}/fuzz_replies ${fuzz_options} -dict=${CMAKE_SOURCE_DIR}/tests/fuzz/reply.dict
                     -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz_artifacts/${name}-
                     ${CMAKE_BINARY_DIR}/fuzz_reply_${name}_corpus ${seeds})
    set_tests_properties(fuzz_reply_${name} PROPERTIES TIMEOUT 300 ENVIRONMENT "FUZZ_TARGET=${name};${fuzz_environment}")
  endforeach()
endif()
