# Who may include whom: every folder of src/ with the folders its files may include besides their
# own (docs/ARCHITECTURE.md has the same table). The configuration stops when a file includes a
# header of a folder its row does not name, when a folder has no row, when a file outside the
# rooms below includes a Qt header, or a system header outside the platform and the two views:
# the rooms hold because the build refuses anything else, not because everybody remembers them.
#
# At configuration: include(cmake/IncludeRules.cmake) and kv3_check_includes(${PROJECT_SOURCE_DIR}).
# On its own, for another tree: cmake -DKV3_SOURCE_ROOT=DIR -P cmake/IncludeRules.cmake
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_minimum_required(VERSION 3.25)
endif()

set(kv3_include_rules
  "platform:"
  "texts:"
  "link:platform"
  "search:link platform"
  "settings:search link platform"
  "update:service search link platform"
  "service:search link platform"
  "scheme:update search link texts platform"
  "cli:texts scheme service update settings search link platform"
  "sim:platform"
  "form:platform"
  "window/pages:form texts scheme service update settings search link platform"
  "window:window/pages form texts scheme service update settings search link platform"
  "qt:window form platform"
  "win32:window form platform")
# The only folders that may include Qt's headers, and the system's own.
set(kv3_qt_rooms qt)
set(kv3_system_rooms platform qt win32)

function(kv3_check_includes root)
  set(rooms)
  foreach(rule IN LISTS kv3_include_rules)
    string(REGEX REPLACE ":.*" "" room "${rule}")
    string(REGEX REPLACE "^[^:]*:" "" allowed "${rule}")
    separate_arguments(allowed)
    list(APPEND rooms ${room})
    set(allowed_${room} ${allowed})
  endforeach()
  # The longest folder first, so that "window/pages/x.h" is of window/pages, not of window.
  list(SORT rooms COMPARE STRING ORDER DESCENDING)

  file(GLOB_RECURSE sources RELATIVE ${root}/src ${root}/src/*.h ${root}/src/*.cpp)
  set(system_re "^[ \t]*#[ \t]*include[ \t]*<(sys/|arpa/|netinet/|net/|(unistd|fcntl|poll|termios|signal|iconv|netdb|ifaddrs|pthread|dirent|spawn|windows|winsock2|ws2tcpip|iphlpapi|io|shlobj|commctrl|commdlg)\\.h>|csignal>)")
  foreach(source IN LISTS sources)
    get_filename_component(folder ${source} DIRECTORY)
    if(folder STREQUAL "")
      continue()
    endif()
    if(NOT folder IN_LIST rooms)
      message(FATAL_ERROR "src/${folder} has no row in the include rules (cmake/IncludeRules.cmake)")
    endif()
    set(may ${folder} ${allowed_${folder}})
    file(STRINGS ${root}/src/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    set(wrong)
    foreach(line IN LISTS lines)
      if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(header ${CMAKE_MATCH_1})
        foreach(room IN LISTS rooms)
          string(LENGTH "${room}/" length)
          string(SUBSTRING "${header}" 0 ${length} start)
          if(start STREQUAL "${room}/")
            if(NOT room IN_LIST may)
              list(APPEND wrong "\"${header}\" (of src/${room})")
            endif()
            break()
          endif()
        endforeach()
      elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<Q" AND NOT folder IN_LIST kv3_qt_rooms)
        list(APPEND wrong "${line} (Qt)")
      elseif(line MATCHES "${system_re}" AND NOT folder IN_LIST kv3_system_rooms)
        list(APPEND wrong "${line} (the system's)")
      endif()
    endforeach()
    if(wrong)
      list(JOIN wrong "; " listed)
      list(JOIN allowed_${folder} ", " named)
      if(named STREQUAL "")
        set(named "no other folder")
      endif()
      message(FATAL_ERROR "src/${source} may not include ${listed}: src/${folder} may include "
                          "${named} (cmake/IncludeRules.cmake, docs/ARCHITECTURE.md)")
    endif()
  endforeach()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  kv3_check_includes(${KV3_SOURCE_ROOT})
endif()
