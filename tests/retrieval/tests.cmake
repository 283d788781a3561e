# The forecast tests check that the DWML fixture is well-formed XML with Qt's stream reader.
if(TARGET test_retrieval)
  find_package(Qt6 COMPONENTS Core QUIET)
  if(Qt6Core_FOUND)
    target_link_libraries(test_retrieval PRIVATE Qt6::Core)
    target_compile_definitions(test_retrieval PRIVATE FW_HAVE_QT_CORE=1)
  endif()
endif()
# The MADIS collection tests run the surface dump program built beside the test program.
if(TARGET test_retrieval AND TARGET madis_dump)
  add_dependencies(test_retrieval madis_dump)
endif()
