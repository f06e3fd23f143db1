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

# quillet_builtin_settings(TARGET [HOST host] [KEYS file]): compiles into TARGET the
# settings that are built into an executable (engine/BuiltInSettings.cpp.in), each
# executable its own. HOST defaults to the build's QUILLET_UPDATE_HOST; KEYS, a file of PEM
# public keys that the executable trusts, to none.
function(quillet_builtin_settings target)
  cmake_parse_arguments(ARG "" "HOST;KEYS" "" ${ARGN})
  set(QUILLET_BUILTIN_HOST ${QUILLET_UPDATE_HOST})
  if(ARG_HOST)
    set(QUILLET_BUILTIN_HOST ${ARG_HOST})
  endif()
  set(QUILLET_BUILTIN_KEYS "")
  if(ARG_KEYS)
    file(READ ${ARG_KEYS} QUILLET_BUILTIN_KEYS)
    if(NOT QUILLET_BUILTIN_KEYS MATCHES "-----BEGIN PUBLIC KEY-----")
      message(FATAL_ERROR "${ARG_KEYS} holds no PEM public key (\"-----BEGIN PUBLIC KEY-----\")")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ARG_KEYS})
  endif()
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_BuiltInSettings.cpp)
  configure_file(${CMAKE_SOURCE_DIR}/engine/BuiltInSettings.cpp.in ${source} @ONLY)
  target_sources(${target} PRIVATE ${source})
endfunction()

# quillet_shipped_settings(TARGET): the built-in settings of a program that ships, with the
# build's host and trusted keys; a build that trusts no key is warned about.
function(quillet_shipped_settings target)
  if(QUILLET_TRUSTED_KEYS)
    quillet_builtin_settings(${target} KEYS ${QUILLET_TRUSTED_KEYS})
  else()
    message(WARNING "${target} is built without QUILLET_TRUSTED_KEYS: it will install whatever the update "
                    "server sends, unverified. Give the vendor's public keys with -DQUILLET_TRUSTED_KEYS=keys.pem.")
    quillet_builtin_settings(${target})
  endif()
endfunction()
