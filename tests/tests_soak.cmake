# A short soak of every program: 2,000 frames of seeded random input with no
# allocation after start-up (./soak.sh runs the long one under the sanitizers).
foreach(program IN LISTS CAST_PROGRAMS)
  set(dir ${PROJECT_SOURCE_DIR})
  if(program STREQUAL "bspcast")
    set(dir ${PROJECT_SOURCE_DIR}/bspcast)  # it reads bigcastl.txt from here
  endif()
  add_test(NAME soak_${program} COMMAND soak ${program} 2000 1 WORKING_DIRECTORY ${dir})
  set_tests_properties(soak_${program} PROPERTIES LABELS soak TIMEOUT 600)
endforeach()
