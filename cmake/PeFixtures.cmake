# quillet_pe_fixture(<target> OUTPUT <file.exe> [RC <file.rc>] [ARCH x86_64|i686]
#                    [SOURCES <file.c> ...] [DEFINES <NAME=VALUE> ...] [OPTIONS <flag> ...])
#
# Builds a small Windows program with the mingw-w64 C compiler and resource compiler, in
# the native build as in the Windows one, so that both read the very same files. RC is
# UTF-8 text (windres -c 65001); DEFINES reach both the resource script and the sources,
# so one script can stamp several versions. Without SOURCES the program is an empty main.
# OPTIONS go to the compiler driver (for example -mwindows). The target is built by ALL.

set(QUILLET_PE_FIXTURE_MAIN ${CMAKE_CURRENT_LIST_DIR}/PeFixtureMain.c)

function(quillet_pe_fixture target)
  cmake_parse_arguments(ARG "" "OUTPUT;RC;ARCH" "SOURCES;DEFINES;OPTIONS" ${ARGN})
  if(NOT ARG_OUTPUT)
    message(FATAL_ERROR "quillet_pe_fixture(${target}): OUTPUT is required")
  endif()
  if(NOT ARG_ARCH)
    set(ARG_ARCH x86_64)
  endif()
  find_program(QUILLET_MINGW_CC_${ARG_ARCH} NAMES ${ARG_ARCH}-w64-mingw32-gcc REQUIRED)
  find_program(QUILLET_WINDRES_${ARG_ARCH} NAMES ${ARG_ARCH}-w64-mingw32-windres REQUIRED)
  set(cc ${QUILLET_MINGW_CC_${ARG_ARCH}})
  set(windres ${QUILLET_WINDRES_${ARG_ARCH}})

  set(sources)
  foreach(src IN LISTS ARG_SOURCES)
    get_filename_component(src ${src} ABSOLUTE)
    list(APPEND sources ${src})
  endforeach()
  if(NOT sources)
    set(sources ${QUILLET_PE_FIXTURE_MAIN})
  endif()
  set(defines)
  foreach(define IN LISTS ARG_DEFINES)
    list(APPEND defines -D${define})
  endforeach()

  set(objects)
  if(ARG_RC)
    get_filename_component(rc ${ARG_RC} ABSOLUTE)
    get_filename_component(rc_dir ${rc} DIRECTORY)
    set(res ${CMAKE_CURRENT_BINARY_DIR}/${target}.res.o)
    add_custom_command(OUTPUT ${res}
      COMMAND ${windres} -c 65001 ${defines} -I ${rc_dir} -O coff -i ${rc} -o ${res}
      DEPENDS ${rc}
      COMMENT "Compiling resources of ${target}"
      VERBATIM)
    list(APPEND objects ${res})
  endif()

  get_filename_component(out_dir ${ARG_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND ${cc} -Os -s ${ARG_OPTIONS} ${defines} -o ${ARG_OUTPUT} ${sources} ${objects}
    DEPENDS ${sources} ${objects}
    COMMENT "Linking Windows program ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()

# quillet_test_main_programs(TARGET DIR VERSIONS ...): builds DIR/Quillet-<version>.exe for
# each version (1.1.0.0 ...), stand-ins for the main program at those releases (for tests
# and benchmarks).
function(quillet_test_main_programs target dir)
  set(outputs)
  foreach(version IN LISTS ARGN)
    string(REPLACE "." "," commas ${version})
    string(REPLACE "." "_" id ${version})
    quillet_pe_fixture(${target}_${id} RC ${CMAKE_SOURCE_DIR}/tests/support/fixtures/Quillet.rc
      OUTPUT ${dir}/Quillet-${version}.exe DEFINES QUILLET_FILE_VERSION=${commas} QUILLET_VERSION_TEXT=${version})
    list(APPEND outputs ${target}_${id})
  endforeach()
  add_custom_target(${target} DEPENDS ${outputs})
endfunction()
