# Installation for users and packagers, in three components that are also the Debian packages:
# kv3 (the command-line tool, its completion and manual page), kv3config (the window, its
# launcher, desktop entry, icons, metainfo and manual page) and kv3sim (the simulator).
include(GNUInstallDirs)

set(KV3_APP_ID de.vozezaviroru.kv3config)

# Manual pages are compressed as distributions ship them.
find_program(GZIP_PROGRAM gzip)
function(kv3_install_man_page page component)
  if(NOT GZIP_PROGRAM)
    return()
  endif()
  get_filename_component(name ${page} NAME)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/man/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${GZIP_PROGRAM} -9nc ${page} > ${PROJECT_BINARY_DIR}/man/${name}.gz
    DEPENDS ${page}
    VERBATIM)
  add_custom_target(kv3_man_${component} ALL DEPENDS ${PROJECT_BINARY_DIR}/man/${name}.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/${name}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT ${component})
endfunction()

if(TARGET kv3config)
  install(TARGETS kv3config RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kv3config)
  # The desktop entry starts the window through a launcher that gives it its own directory.
  # Both name the programs by the prefix of the installation itself, which `cmake --install
  # --prefix` may choose anew after the configuration.
  set(installed ${PROJECT_BINARY_DIR}/data/installed)
  install(
    CODE "
    set(KV3_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/kv3config\")
    set(KV3_LAUNCHER
        \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/kv3config/kv3config-desktop\")
    configure_file(\"${PROJECT_SOURCE_DIR}/data/kv3config-desktop.in\"
                   \"${installed}/kv3config-desktop\" @ONLY)
    configure_file(\"${PROJECT_SOURCE_DIR}/data/${KV3_APP_ID}.desktop.in\"
                   \"${installed}/${KV3_APP_ID}.desktop\" @ONLY)"
    COMPONENT kv3config)
  install(PROGRAMS ${installed}/kv3config-desktop
          DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/kv3config COMPONENT kv3config)
  install(FILES ${installed}/${KV3_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT kv3config)
  install(FILES ${PROJECT_SOURCE_DIR}/data/${KV3_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT kv3config)
  foreach(size 16 24 32 48 128)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/kv3config-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME kv3config.png COMPONENT kv3config)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/data/pictures/app_icon.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps RENAME kv3config.png
          COMPONENT kv3config)
  install(FILES ${PROJECT_SOURCE_DIR}/data/pictures/app_icon_256.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME kv3config.png
          COMPONENT kv3config)
  kv3_install_man_page(${PROJECT_SOURCE_DIR}/data/man/kv3config.1 kv3config)
endif()

install(TARGETS kv3 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kv3)
install(FILES ${PROJECT_SOURCE_DIR}/data/completion/kv3
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT kv3)
kv3_install_man_page(${PROJECT_SOURCE_DIR}/data/man/kv3.1 kv3)

if(TARGET kv3sim)
  install(TARGETS kv3sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kv3sim)
  kv3_install_man_page(${PROJECT_SOURCE_DIR}/data/man/kv3sim.1 kv3sim)
endif()
