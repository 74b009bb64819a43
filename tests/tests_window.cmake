# The programs in a real window on a virtual X display: one row per program,
# run by tests/window_test.sh (see there for what each row checks). The script
# skips (status 77) when Xvfb, xdotool, x11-utils or imagemagick is missing.
find_package(X11)
if(X11_FOUND)
  add_executable(window_close window_close.c)
  target_link_libraries(window_close PRIVATE X11::X11)
  set(window_closer $<TARGET_FILE:window_close>)
else()
  set(window_closer "")
  message(STATUS "window tests: no X11 headers, they will be skipped")
endif()
find_program(XVFB_PROGRAM Xvfb)
find_program(XDOTOOL_PROGRAM xdotool)
if(NOT XVFB_PROGRAM OR NOT XDOTOOL_PROGRAM)
  message(STATUS "window tests: Xvfb or xdotool not found, they will be skipped")
endif()

# add_window_test(PROGRAM TITLE WxH END_KEY [more window_test.sh arguments])
function(add_window_test program title size end_key)
  if(NOT TARGET ${program})
    return()
  endif()
  add_test(NAME window_${program}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/window_test.sh --program $<TARGET_FILE:${program}>
                   --title ${title} --size ${size} --end ${end_key} --closer "${window_closer}"
                   ${ARGN})
  set_tests_properties(window_${program} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 90
                       LABELS window)
endfunction()

# Seed 2 walks from an open start: after 22 to 38 frames of Up (the 0.5 s
# hold at 60 frames per second) the view is open enough that at least 496 of
# the 640 columns show the ceiling at the top and the floor at the bottom.
add_window_test(blockcast "RAYCASTING PE BLOCURI" 640x480 Escape
                --seed 2 --hold Up:0.5
                --band 0:8:0,0,252:60 --band 472:8:160,160,160:60)

# The window's input, seen by a probe that prints what it reads.
if(TARGET graphics_sdl)
  add_executable(window_probe window_probe.cpp)
  target_link_libraries(window_probe PRIVATE graphics_sdl)
  add_test(NAME window_input
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/window_input.sh $<TARGET_FILE:window_probe>)
  set_tests_properties(window_input PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60 LABELS window)
endif()
