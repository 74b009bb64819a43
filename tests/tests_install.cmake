# cmake --install puts the programs, the tools, the map and the README in place.
add_test(NAME install COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${PROJECT_BINARY_DIR})
set_tests_properties(install PROPERTIES LABELS install)
