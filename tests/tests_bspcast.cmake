# bspbuild's tests link its library and run its command.
if(TARGET test_bspbuild AND TARGET bspbuild_lib)
  target_link_libraries(test_bspbuild PRIVATE bspbuild_lib)
  add_dependencies(test_bspbuild bspbuild)
endif()

# The fuzzer, about 60 seconds, where clang can build a libFuzzer target.
find_program(CAST_CLANGXX clang++)
if(CAST_CLANGXX)
  add_test(NAME fuzz_bspcast
           COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_bspcast.sh ${PROJECT_BINARY_DIR} 60)
  set_tests_properties(fuzz_bspcast PROPERTIES TIMEOUT 900 SKIP_RETURN_CODE 77 LABELS fuzz)
endif()
