# bspbuild's tests link its library and run its command.
if(TARGET test_bspbuild AND TARGET bspbuild_lib)
  target_link_libraries(test_bspbuild PRIVATE bspbuild_lib)
  add_dependencies(test_bspbuild bspbuild)
endif()
