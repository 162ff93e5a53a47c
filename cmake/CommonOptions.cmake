# One interface target carries the language standard, the warnings and the sanitizer flags;
# every target of the project links it.
add_library(kv3_options INTERFACE)
target_compile_features(kv3_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(kv3_options INTERFACE -Wall -Wextra -Wpedantic)
# Errors in the presets and CI; a packager's plain build with another compiler must not break on
# a warning that compiler adds.
option(KV3_WERROR "Treat compiler warnings as errors" OFF)
if(KV3_WERROR)
  target_compile_options(kv3_options INTERFACE -Werror)
endif()
# GCC 12 reports std::optional<std::string> members as "maybe uninitialized" at -O2 where they
# are not; the sanitizer build is the check for real uninitialised reads.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(kv3_options INTERFACE -Wno-maybe-uninitialized)
endif()

# A compiler cache kept between builds and between clones (ccache's own folder, outside the
# checkout): paths below the checkout are hashed relative to it, so a fresh clone of the same
# sources finds what an earlier one compiled.
option(KV3_CCACHE "Compile through ccache when it is installed" OFF)
if(KV3_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(KV3_CCACHE_PROGRAM ccache)
  if(KV3_CCACHE_PROGRAM)
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR}
                                    CCACHE_NOHASHDIR=1 ${KV3_CCACHE_PROGRAM})
  endif()
endif()

if(WIN32)
  # Every .exe carries its C and C++ runtimes and runs on a bare Windows 10 or 11.
  target_link_options(kv3_options INTERFACE -static)
endif()

option(KV3_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(KV3_SANITIZE)
  target_compile_options(kv3_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                               -fno-sanitize-recover=all)
  target_link_options(kv3_options INTERFACE -fsanitize=address,undefined)
endif()

if(KV3_FUZZ)
  # Coverage for libFuzzer in every library the targets link.
  target_compile_options(kv3_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# Adds a static library made of every .cpp file in the listed folders.
function(kv3_folder_library name)
  set(sources)
  foreach(folder IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  # A system's own implementation of a seam lives in name_posix.cpp or name_windows.cpp.
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC kv3_options)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/IncludeRules.cmake)
