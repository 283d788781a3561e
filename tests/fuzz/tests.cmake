# Fuzzing of the script engine with libFuzzer. The main build uses g++, which has no libFuzzer, so
# the fuzzer is compiled here with clang++ from the engine's own sources (the script engine and the
# VB runtime, both standard C++ only) and run for a bounded time as one test. Without a clang++
# that can link -fsanitize=fuzzer the test reports itself skipped. The sanitizer build does not
# run it again: the fuzzer carries AddressSanitizer and UndefinedBehaviorSanitizer itself.

set(FUZZ_SECONDS 20 CACHE STRING "Seconds the script fuzzer runs in the test")

find_program(FUZZ_CLANGXX NAMES clang++ clang++-16 clang++-15 clang++-14)
set(FUZZ_FLAGS -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)

set(FUZZ_USABLE OFF)
if(FUZZ_CLANGXX)
  set(probe_dir ${CMAKE_BINARY_DIR}/fuzz_probe)
  file(MAKE_DIRECTORY ${probe_dir})
  file(WRITE ${probe_dir}/probe.cpp
       "#include <cstddef>\n#include <cstdint>\n"
       "extern \"C\" int LLVMFuzzerTestOneInput(const uint8_t*, std::size_t) { return 0; }\n")
  execute_process(COMMAND ${FUZZ_CLANGXX} ${FUZZ_FLAGS} probe.cpp -o probe
                  WORKING_DIRECTORY ${probe_dir} RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
  if(probe_result EQUAL 0)
    set(FUZZ_USABLE ON)
  endif()
endif()

if(ENABLE_SANITIZERS)
  # Nothing to add: the normal build runs the fuzzer.
elseif(NOT FUZZ_USABLE)
  add_test(NAME fuzz_script COMMAND ${CMAKE_COMMAND} -E echo "no clang++ with libFuzzer: script fuzzing skipped")
  set_tests_properties(fuzz_script PROPERTIES SKIP_REGULAR_EXPRESSION "skipped")
else()
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/src/platform/script/*.cpp ${CMAKE_SOURCE_DIR}/src/platform/vb/*.cpp)
  file(GLOB FUZZ_HEADERS CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/src/platform/script/*.h ${CMAKE_SOURCE_DIR}/src/platform/vb/*.h)
  list(APPEND FUZZ_SOURCES ${CMAKE_SOURCE_DIR}/tests/fuzz/script_fuzz.cpp)
  set(fuzz_dir ${CMAKE_BINARY_DIR}/fuzz_script.dir)
  set(fuzz_objects "")
  foreach(src ${FUZZ_SOURCES})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${src})
    string(REPLACE "/" "_" obj ${rel})
    set(obj ${fuzz_dir}/${obj}.o)
    add_custom_command(OUTPUT ${obj}
                       COMMAND ${FUZZ_CLANGXX} ${FUZZ_FLAGS} -I${CMAKE_SOURCE_DIR}/src -c ${src} -o ${obj}
                       DEPENDS ${src} ${FUZZ_HEADERS}
                       COMMENT "Compiling ${rel} for the script fuzzer" VERBATIM)
    list(APPEND fuzz_objects ${obj})
  endforeach()
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/fuzz_script
                     COMMAND ${FUZZ_CLANGXX} ${FUZZ_FLAGS} ${fuzz_objects} -o ${CMAKE_BINARY_DIR}/fuzz_script
                     DEPENDS ${fuzz_objects}
                     COMMENT "Linking the script fuzzer" VERBATIM)
  add_custom_target(fuzz_script_program ALL DEPENDS ${CMAKE_BINARY_DIR}/fuzz_script)

  # New inputs go to a corpus in the build folder; the seeds in the source tree are only read.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz_script_corpus ${CMAKE_BINARY_DIR}/fuzz_script_artifacts)
  add_test(NAME fuzz_script
           COMMAND ${CMAKE_BINARY_DIR}/fuzz_script -max_total_time=${FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
                   -dict=${CMAKE_SOURCE_DIR}/tests/fuzz/script.dict
                   -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz_script_artifacts/
                   ${CMAKE_BINARY_DIR}/fuzz_script_corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/script)
  set_tests_properties(fuzz_script PROPERTIES TIMEOUT 300 COST 1000)  # start it first
endif()
