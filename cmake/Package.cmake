# A Debian package of the installed files (scripts/package builds it). Its dependencies come
# from the binaries themselves (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kv3config)
set(CPACK_PACKAGE_VENDOR VozezaViroru)
set(CPACK_PACKAGE_CONTACT "VozezaViroru KV3 support <kv3@vozezaviroru.de>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries: the window needs Qt's platform plugins, and its font (Arial) is drawn
# with the metric-compatible Liberation Sans.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.vozezaviroru.de/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find, set up and update VozezaViroru KV3 units")
# The summary above is the synopsis; CPack indents these lines and marks the empty one.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "KV3 units give remote access to a heating installation. This desktop tool
finds the units in the local network by UDP broadcast, lists them by MAC
address and shows their network settings, firmware, web application, system
scheme and account. It writes changed settings back and uploads firmware,
web-application images and system-scheme pictures. German and English.

The package also holds kv3sim, which plays units for tests and
demonstrations.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# What Debian asks of every package: the copyright and the package's changelog, compressed.
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${doc_dir})
find_program(GZIP_PROGRAM gzip)
if(GZIP_PROGRAM)
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/changelog.Debian.gz
    COMMAND ${GZIP_PROGRAM} -9nc ${PROJECT_SOURCE_DIR}/data/debian/changelog >
            ${PROJECT_BINARY_DIR}/changelog.Debian.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog
    VERBATIM)
  add_custom_target(kv3_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.Debian.gz)
  install(FILES ${PROJECT_BINARY_DIR}/changelog.Debian.gz DESTINATION ${doc_dir})
endif()
