# The install: cmake --install into a temporary prefix, then the installed program answers
# --version and --help, and the installed scripts find the installed schema.
if(TARGET flumewright)
  add_test(NAME Install.IntoATemporaryPrefixTheProgramAndItsFilesWork
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DPREFIX=${CMAKE_BINARY_DIR}/install-test
            -P ${CMAKE_SOURCE_DIR}/tests/install/install_check.cmake)
endif()
