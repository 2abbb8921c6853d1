# Links the installed programs statically against musl, with the system's
# g++ and no C++ library: the product code uses only C headers and the
# language itself. gcc's driver links (LINKER_LANGUAGE C), so libstdc++ is
# never even offered to the linker; the driver settings in musl-link.gcc
# swap in musl's start files (rcrt1.o, for a static PIE) and its libc.a.
string(REPLACE "-gnu" "-musl" musl_triple "${CMAKE_LIBRARY_ARCHITECTURE}")
find_path(MUSL_INCLUDE_DIR NAMES stdint.h PATHS /usr/include/${musl_triple} /usr/lib/musl/include
          NO_DEFAULT_PATH)
find_file(MUSL_RCRT1 NAMES rcrt1.o PATHS /usr/lib/${musl_triple} /usr/lib/musl/lib NO_DEFAULT_PATH)
if(NOT MUSL_INCLUDE_DIR OR NOT MUSL_RCRT1)
  message(FATAL_ERROR
    "tovrin: musl was not found. Install the Debian packages musl-tools and musl-dev "
    "(scripts/ensure-deps build does this), or configure with -DTOVRIN_LIBC=system to build "
    "the programs against the system C library instead.")
endif()
get_filename_component(MUSL_LIB_DIR "${MUSL_RCRT1}" DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=include
                OUTPUT_VARIABLE COMPILER_INCLUDE_DIR OUTPUT_STRIP_TRAILING_WHITESPACE)
configure_file(${CMAKE_CURRENT_LIST_DIR}/musl-link.gcc.in ${CMAKE_BINARY_DIR}/musl-link.gcc @ONLY)
enable_language(C)

# Compiles target against musl's headers (and the compiler's own, for
# stddef.h and friends) instead of glibc's and libstdc++'s.
function(tovrin_musl_compile target)
  target_compile_options(${target} PRIVATE -nostdinc -nostdinc++
                         "SHELL:-isystem ${MUSL_INCLUDE_DIR}" "SHELL:-isystem ${COMPILER_INCLUDE_DIR}")
endfunction()

# Links target as a static PIE against musl's libc.a.
function(tovrin_musl_link target)
  set_target_properties(${target} PROPERTIES LINKER_LANGUAGE C)
  target_link_options(${target} PRIVATE -specs=${CMAKE_BINARY_DIR}/musl-link.gcc -static-pie)
endfunction()
