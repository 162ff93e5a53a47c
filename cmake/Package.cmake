# The Debian packages of the installed files (scripts/package builds them), one per component:
# kv3, kv3config and kv3sim. Their library dependencies come from the binaries themselves
# (dpkg-shlibdeps), so that kv3 alone pulls in no Qt.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kv3config)
set(CPACK_PACKAGE_VENDOR VozezaViroru)
set(CPACK_PACKAGE_CONTACT "VozezaViroru KV3 support <kv3@vozezaviroru.de>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Revision 2: kv3 and kv3sim left the kv3config package for packages of their own.
set(CPACK_DEBIAN_PACKAGE_RELEASE 2)
set(CPACK_DEBIAN_PACKAGE_SOURCE kv3config)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.vozezaviroru.de/)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Each description: its first line is the synopsis, then paragraphs CPack indents (an empty line
# marks a new one).
set(kv3_about "KV3 units give remote access to a heating installation. The configurator
finds the units in the local network by UDP broadcast, lists them by MAC
address, shows and changes their network settings and account, and uploads
firmware, web-application images, skins and system-scheme pictures. It comes
as two programs: kv3config, the window, and kv3, the command-line tool for
scripts and whole sites. German and English.")

set(CPACK_DEBIAN_KV3_PACKAGE_NAME kv3)
set(CPACK_COMPONENT_KV3_DESCRIPTION "command-line tool to find, set up and update VozezaViroru KV3 units
${kv3_about}

This package holds kv3: find, show, set, update and upload from a terminal
or a script, for one unit or every unit found, with JSON output; it needs
no graphical desktop.")
set(CPACK_DEBIAN_KV3_PACKAGE_SECTION net)
set(CPACK_DEBIAN_KV3_PACKAGE_BREAKS "kv3config (<< 1.0.20-2)")
set(CPACK_DEBIAN_KV3_PACKAGE_REPLACES "kv3config (<< 1.0.20-2)")

set(CPACK_DEBIAN_KV3CONFIG_PACKAGE_NAME kv3config)
set(CPACK_COMPONENT_KV3CONFIG_DESCRIPTION "desktop tool to find, set up and update VozezaViroru KV3 units
${kv3_about}

This package holds kv3config, the window.")
# Beyond the libraries: the window needs Qt's platform plugins; its font (Arial) is drawn with
# the metric-compatible Liberation Sans, and Qt's own dialogs speak German with Qt's
# translations.
set(CPACK_DEBIAN_KV3CONFIG_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_KV3CONFIG_PACKAGE_RECOMMENDS "fonts-liberation, qt6-translations-l10n")

set(CPACK_DEBIAN_KV3SIM_PACKAGE_NAME kv3sim)
set(CPACK_COMPONENT_KV3SIM_DESCRIPTION "simulator of VozezaViroru KV3 units for tests
${kv3_about}

This package holds kv3sim, which plays KV3 units on the units' ports for
tests and demonstrations of kv3 and kv3config. Start it only on loopback or
in a network namespace of your own: on a real network it answers as units
would.")
set(CPACK_DEBIAN_KV3SIM_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_KV3SIM_PACKAGE_BREAKS "kv3config (<< 1.0.20-2)")
set(CPACK_DEBIAN_KV3SIM_PACKAGE_REPLACES "kv3config (<< 1.0.20-2)")
include(CPack)

# What Debian asks of every package: the copyright and the package's changelog, compressed.
find_program(GZIP_PROGRAM gzip)
if(GZIP_PROGRAM)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/changelog.Debian.gz
    COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/data/debian/changelog >
            ${PROJECT_BINARY_DIR}/changelog.Debian.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog
    VERBATIM)
  add_custom_target(kv3_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
endif()
foreach(component kv3 kv3config kv3sim)
  set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${component})
  install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${doc_dir}
          COMPONENT ${component})
  if(GZIP_PROGRAM)
    install(FILES ${PROJECT_BINARY_DIR}/changelog.Debian.gz DESTINATION ${doc_dir}
            COMPONENT ${component})
  endif()
endforeach()
