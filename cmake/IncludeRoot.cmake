# corvane_include_root(<target> <layer>)
#
# Gives <target> an include root of its own in the build tree that holds
# one folder, <layer>, of links to the headers of the current source folder,
# and makes it the target's only public include directory. A file then
# reaches a layer's headers only through a target that links the layer: an
# include across layers that the link line does not allow fails to compile.
# The root's path is left in CORVANE_INCLUDE_ROOT for generated headers.
function(corvane_include_root target layer)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(MAKE_DIRECTORY ${root}/${layer})
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(names "")
  foreach(header IN LISTS headers)
    get_filename_component(name ${header} NAME)
    list(APPEND names ${name})
    file(CREATE_LINK ${header} ${root}/${layer}/${name} SYMBOLIC)
  endforeach()
  # A link to a header that is gone goes too; generated headers stay.
  file(GLOB entries ${root}/${layer}/*)
  foreach(entry IN LISTS entries)
    get_filename_component(name ${entry} NAME)
    if(IS_SYMLINK ${entry} AND NOT name IN_LIST names)
      file(REMOVE ${entry})
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
  set(CORVANE_INCLUDE_ROOT ${root} PARENT_SCOPE)
endfunction()
