# Shared build helpers: warnings, sanitizers, per-instruction-set flags,
# binary embedding and static runtime linking.

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i[3-6]86|x86)$")
  set(SORREL_X86 ON)
else()
  set(SORREL_X86 OFF)
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(SORREL_32BIT ON)
else()
  set(SORREL_32BIT OFF)
endif()

set(SORREL_SANITIZE_FLAGS "")
if(SORREL_SANITIZE)
  set(SORREL_SANITIZE_FLAGS -fsanitize=${SORREL_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${SORREL_SANITIZE_FLAGS})
  add_link_options(${SORREL_SANITIZE_FLAGS})
endif()

# Floating-point arithmetic runs exactly as written: the kernels reproduce the
# reference's roundings bit for bit and write out every fused multiply-add
# they want, so the compiler must not fuse a product with a following sum
# on its own (GCC does by default, even on intrinsics).
add_compile_options(-ffp-contract=off)

function(sorrel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wno-unused-parameter)
  if(SORREL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Instruction-set flags go only on files named for the instruction set:
# foo_sse.cpp, foo_sse2.cpp, foo_avx2.cpp, foo_avx512.cpp. On a processor
# that is not x86 such files are left out of the build.
function(sorrel_isa_sources target)
  foreach(src IN LISTS ARGN)
    get_filename_component(name ${src} NAME_WE)
    set(flags "")
    set(x86only OFF)
    if(name MATCHES "_avx512$")
      set(flags -mavx512f -mavx512dq -mavx512vl -mavx512bw -mavx2 -mfma)
      set(x86only ON)
    elseif(name MATCHES "_avx2$")
      set(flags -mavx2 -mfma)
      set(x86only ON)
    elseif(name MATCHES "_sse2$")
      set(flags -msse2)
      set(x86only ON)
    elseif(name MATCHES "_sse$")
      set(flags -msse)
      set(x86only ON)
    elseif(name MATCHES "_x87$")
      set(x86only ON)
    endif()
    if(x86only AND NOT SORREL_X86)
      continue()
    endif()
    target_sources(${target} PRIVATE ${src})
    if(flags)
      set_source_files_properties(${src} TARGET_DIRECTORY ${target} PROPERTIES COMPILE_OPTIONS "${flags}")
    endif()
  endforeach()
endfunction()

# Embed a binary file as `extern const unsigned char SYMBOL[]` plus
# `extern const unsigned long SYMBOL_size`, generated at build time.
function(sorrel_embed target symbol file)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embed_${symbol}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DSYMBOL=${symbol} -P ${PROJECT_SOURCE_DIR}/cmake/Embed.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/Embed.cmake
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()

# Plug-ins and tools must load into any host whatever its own C++ runtime.
function(sorrel_static_runtime target)
  if(WIN32)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  elseif(NOT SORREL_SANITIZE)
    target_link_options(${target} PRIVATE -static-libgcc -static-libstdc++)
  endif()
endfunction()

# A folder's library: every .cpp of the folder (and of the given extra
# folders), instruction-set files with their flags. Dependencies on other
# folders' libraries are named by the caller with target_link_libraries.
function(sorrel_module name)
  set(globs ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(extra IN LISTS ARGN)
    list(APPEND globs ${CMAKE_CURRENT_SOURCE_DIR}/${extra}/*.cpp)
  endforeach()
  file(GLOB srcs CONFIGURE_DEPENDS ${globs})
  list(FILTER srcs EXCLUDE REGEX "/entry\\.cpp$")
  add_library(sorrel_${name} STATIC)
  sorrel_isa_sources(sorrel_${name} ${srcs})
  target_include_directories(sorrel_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  sorrel_warnings(sorrel_${name})
endfunction()
