# Installation for users and packagers: the programs, the desktop entry, the icon in the
# theme's sizes, the AppStream metainfo and the manual pages.
include(GNUInstallDirs)

set(KV3_APP_ID de.vozezaviroru.kv3config)

if(TARGET kv3config)
  install(TARGETS kv3config RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/data/${KV3_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${KV3_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 24 32 48 128)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/kv3config-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME kv3config.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/src/gui/pictures/app_icon.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME kv3config.png)
  install(FILES ${PROJECT_SOURCE_DIR}/src/gui/pictures/app_icon_256.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME kv3config.png)
endif()
install(TARGETS kv3 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kv3sim)
  install(TARGETS kv3sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Manual pages, compressed as distributions ship them. kv3sim's is made from its --help, where
# the build can run it.
find_program(GZIP_PROGRAM gzip)
find_program(HELP2MAN_PROGRAM help2man)
set(man_pages ${PROJECT_SOURCE_DIR}/data/man/kv3.1)
if(TARGET kv3config)
  list(APPEND man_pages ${PROJECT_SOURCE_DIR}/data/man/kv3config.1)
endif()
if(HELP2MAN_PROGRAM AND TARGET kv3sim AND NOT CMAKE_CROSSCOMPILING)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/man/kv3sim.1
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=1796083200
            ${HELP2MAN_PROGRAM} --no-info --no-discard-stderr -N
            --version-string=${PROJECT_VERSION}
            --name "plays VozezaViroru KV3 units for tests and demonstrations"
            --output ${PROJECT_BINARY_DIR}/man/kv3sim.1 $<TARGET_FILE:kv3sim>
    DEPENDS kv3sim
    VERBATIM)
  list(APPEND man_pages ${PROJECT_BINARY_DIR}/man/kv3sim.1)
endif()
if(GZIP_PROGRAM AND man_pages)
  set(compressed)
  foreach(page IN LISTS man_pages)
    get_filename_component(name ${page} NAME)
    add_custom_command(
      OUTPUT ${PROJECT_BINARY_DIR}/man/${name}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${GZIP_PROGRAM} -9nc ${page} > ${PROJECT_BINARY_DIR}/man/${name}.gz
      DEPENDS ${page}
      VERBATIM)
    list(APPEND compressed ${PROJECT_BINARY_DIR}/man/${name}.gz)
  endforeach()
  add_custom_target(kv3_man_pages ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
