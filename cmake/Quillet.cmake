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

# quillet_check_public_keys(FILE TEXT): fails the configuration, with the reason, unless
# TEXT (FILE's content) is one or more PEM blocks "PUBLIC KEY" of P-256 keys and nothing
# else but blank lines. A key that the program could not read would otherwise show only
# at run time, as an updater that refuses every update. Every P-256 SubjectPublicKeyInfo
# begins with the same 27 bytes and has 91, so its base64 has a fixed start and length;
# where the openssl command is found, it also checks that the point lies on the curve.
function(quillet_check_public_keys file text)
  string(REGEX REPLACE "\r" "" text "${text}")
  string(REGEX MATCHALL "-----BEGIN PUBLIC KEY-----\n[A-Za-z0-9+/=\n]*-----END PUBLIC KEY-----" blocks "${text}")
  list(LENGTH blocks count)
  if(count EQUAL 0)
    message(FATAL_ERROR "${file} holds no PEM public key (\"-----BEGIN PUBLIC KEY-----\")")
  endif()
  set(rest "${text}")
  foreach(block IN LISTS blocks)
    string(REPLACE "${block}" "" rest "${rest}")
  endforeach()
  if(NOT rest MATCHES "^[ \t\n]*$")
    message(FATAL_ERROR "${file} holds text outside its PEM public keys, or a block that is not one")
  endif()
  find_program(QUILLET_OPENSSL openssl)
  set(index 0)
  foreach(block IN LISTS blocks)
    math(EXPR index "${index} + 1")
    string(REGEX REPLACE "-----[A-Z ]+-----|\n" "" body "${block}")
    if(NOT body MATCHES "^MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE[A-Za-z0-9+/]+==$")
      message(FATAL_ERROR "${file}: public key ${index} is no P-256 (prime256v1) public key")
    endif()
    string(LENGTH "${body}" length)
    if(NOT length EQUAL 124)
      message(FATAL_ERROR "${file}: public key ${index} is no P-256 public key (wrong length)")
    endif()
    if(QUILLET_OPENSSL)
      set(one ${CMAKE_CURRENT_BINARY_DIR}/quillet-key-check.pem)
      file(WRITE ${one} "${block}\n")
      execute_process(COMMAND ${QUILLET_OPENSSL} pkey -pubin -in ${one} -noout RESULT_VARIABLE bad
                      ERROR_VARIABLE reason OUTPUT_QUIET)
      file(REMOVE ${one})
      if(bad)
        message(FATAL_ERROR "${file}: public key ${index} cannot be read: ${reason}")
      endif()
    endif()
  endforeach()
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
    quillet_check_public_keys(${ARG_KEYS} "${QUILLET_BUILTIN_KEYS}")
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
