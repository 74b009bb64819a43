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

# add_window_test(NAME PROGRAM TITLE WxH END_KEY [more window_test.sh arguments])
function(add_window_test name program title size end_key)
  if(NOT TARGET ${program})
    return()
  endif()
  add_test(NAME window_${name}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/window_test.sh --program $<TARGET_FILE:${program}>
                   --title ${title} --size ${size} --end ${end_key} --closer "${window_closer}"
                   ${ARGN})
  set_tests_properties(window_${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 90
                       LABELS window)
endfunction()

# Seed 2 walks from an open start: after 22 to 38 frames of Up (the 0.5 s
# hold at 60 frames per second) the view is open enough that at least 496 of
# the 640 columns show the ceiling at the top and the floor at the bottom.
add_window_test(blockcast blockcast "RAYCASTING PE BLOCURI" 640x480 Escape
                --seed 2 --hold Up:0.5
                --band 0:8:0,0,252:60 --band 472:8:160,160,160:60)
add_window_test(vectorcast vectorcast "RAYCASTING CU VECTORI" 640x480 Escape --hold Up:0.3)
add_window_test(sectorcast sectorcast "RAYCASTING PE SECTOR" 640x480 Escape --hold Up:0.3)
add_window_test(bspcast bspcast "RAYCASTING PRIN BSP" 640x480 Escape
                --copy ${PROJECT_SOURCE_DIR}/bspcast/bigcastl.txt --hold Up:0.3 --settle 3)
# Started where there is no map: an empty world, with only the plan's marker.
add_window_test(bspcast_without_map bspcast "RAYCASTING PRIN BSP" 640x480 Escape --hold Left:0.3)
# The waves and the moving objects never stop.
add_window_test(objectcast objectcast "RAYCASTING CU OBIECTE" 640x480 Escape
                --hold Up:0.3 --animated)
# The room turns by itself; typed keys, and a typed Esc ends it.
add_window_test(polycast polycast "RAY CASTING" 800x600 Escape --type qg --animated)
add_window_test(voxelgrid voxelgrid "RAYCASTING CU VOXELI" 640x480 Escape --hold Up:0.3)
# Steered by the pointer alone, never quite still; any typed key ends it.
add_window_test(voxelmouse voxelmouse "RAY CASTING CU VOXELI" 800x600 q
                --pointer 400,300 --move 700,100 --animated)
# The pointer near the middle keeps the view from spinning; the viewer settles.
add_window_test(voxelcave voxelcave "RAY CASTING CU VOXELI" 800x600 Escape
                --pointer 400,300 --hold Up:0.3 --animated)
