# add_cast_program(NAME SOURCES...): the program's library NAME_lib from the
# sources, and the executable NAME from NAME/main.cpp on the SDL2 window.
function(add_cast_program name)
  add_library(${name}_lib STATIC ${ARGN})
  target_include_directories(${name}_lib PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name}_lib PUBLIC graphics common)
  if(TARGET graphics_sdl)
    add_executable(${name} main.cpp)
    target_link_libraries(${name} PRIVATE ${name}_lib graphics_sdl)
    install(TARGETS ${name} RUNTIME DESTINATION bin)
  endif()
endfunction()
