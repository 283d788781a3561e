# The fake HEC-DSS and SWMM engine libraries, loaded by the tests in place of HEC's and EPA's.
add_library(fake_hecdss SHARED ${CMAKE_SOURCE_DIR}/tests/support/fakes/fake_hecdss.cpp)
target_include_directories(fake_hecdss PRIVATE ${CMAKE_SOURCE_DIR}/tests)
add_library(fake_swmm5 SHARED ${CMAKE_SOURCE_DIR}/tests/support/fakes/fake_swmm5.cpp
                              ${CMAKE_SOURCE_DIR}/tests/support/swmm_out_writer.cpp)
target_include_directories(fake_swmm5 PRIVATE ${CMAKE_SOURCE_DIR}/tests)
if(TARGET test_models)
  add_dependencies(test_models fake_hecdss fake_swmm5)
  target_compile_definitions(test_models PRIVATE
    FW_FAKE_HECDSS="$<TARGET_FILE:fake_hecdss>"
    FW_FAKE_SWMM5="$<TARGET_FILE:fake_swmm5>")
endif()
