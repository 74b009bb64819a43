# test_voxelgrid counts and records the big pixels a frame paints by wrapping
# common::plot_block at link time: the program's code is the same as in every
# other build, and the wrapper passes each call on unchanged.
if(TARGET test_voxelgrid)
  target_link_options(test_voxelgrid PRIVATE "LINKER:--wrap=_ZN6common10plot_blockEiih")
endif()
