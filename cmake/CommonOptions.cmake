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

# Stops the configuration when a source of the listed folders includes a header of a forbidden
# folder ("ui", ...) or a Qt header, or with SYSTEM a header of the operating system: the
# libraries' rules hold because the build refuses anything else, not because everybody
# remembers them.
#   kv3_forbid_includes(FOLDERS link cli ... FORBIDDEN ui app gui [SYSTEM])
function(kv3_forbid_includes)
  cmake_parse_arguments(rule "SYSTEM" "" "FOLDERS;FORBIDDEN" ${ARGN})
  list(JOIN rule_FORBIDDEN "|" forbidden)
  foreach(folder IN LISTS rule_FOLDERS)
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${folder}/*.h
         ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp)
    foreach(source IN LISTS sources)
      file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]((${forbidden})/|Q)")
      if(rule_SYSTEM)
        # The system's own headers: what they offer is reached through the platform's seam.
        file(STRINGS ${source} system REGEX "^[ \t]*#[ \t]*include[ \t]*<(sys/|arpa/|netinet/|net/|(unistd|fcntl|poll|termios|signal|iconv|netdb|ifaddrs|pthread|dirent|spawn|windows|winsock2|ws2tcpip|iphlpapi|io)\\.h>|csignal>)")
        list(APPEND includes ${system})
      endif()
      if(includes)
        file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${source})
        list(JOIN includes "; " listed)
        message(FATAL_ERROR "${shown} may not include ${listed}: src/${folder} may use none of "
                            "${rule_FORBIDDEN}, no Qt and, outside the platform, no system header "
                            "(docs/ARCHITECTURE.md)")
      endif()
    endforeach()
  endforeach()
endfunction()
