# quillet_library(NAME DIR [DEPS ...]): a static library of the portable sources of DIR
# plus the ones that complete them for this platform (Foo_win32.cpp or Foo_posix.cpp).
function(quillet_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB all_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(sources)
  foreach(src IN LISTS all_sources)
    get_filename_component(base ${src} NAME_WE)
    if(base MATCHES "_(win32|posix)$" AND NOT base MATCHES "_${QUILLET_PLATFORM}$")
      continue()
    endif()
    if(base IN_LIST ARG_EXCLUDE)
      continue()
    endif()
    list(APPEND sources ${src})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# quillet_builtin_settings(TARGET [HOST host]): compiles into TARGET the settings that
# are built into an executable (engine/BuiltInSettings.cpp.in), each executable its own.
# HOST defaults to the build's QUILLET_UPDATE_HOST.
function(quillet_builtin_settings target)
  cmake_parse_arguments(ARG "" "HOST" "" ${ARGN})
  set(QUILLET_BUILTIN_HOST ${QUILLET_UPDATE_HOST})
  if(ARG_HOST)
    set(QUILLET_BUILTIN_HOST ${ARG_HOST})
  endif()
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_BuiltInSettings.cpp)
  configure_file(${CMAKE_SOURCE_DIR}/engine/BuiltInSettings.cpp.in ${source} @ONLY)
  target_sources(${target} PRIVATE ${source})
endfunction()
