# The Debian package, built by CPack from the installation rules
# (scripts/package.sh: build/quorbital_<version>_amd64.deb). Included after
# Install.cmake. The package holds exactly what `cmake --install` lays out
# under /usr, plus the documentation files Debian asks of every package.

# Debian's documentation files: the copyright, the changelog and the manual
# page, compressed the way Debian's tools do (best compression, no time stamp,
# so two builds give the same bytes).
set(q_docs ${CMAKE_BINARY_DIR}/dist)
configure_file(${PROJECT_SOURCE_DIR}/dist/quorbital.1.in ${q_docs}/quorbital.1 @ONLY)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
add_custom_command(
  OUTPUT ${q_docs}/quorbital.1.gz ${q_docs}/changelog.gz
  COMMAND ${GZIP_EXECUTABLE} -9n -c ${q_docs}/quorbital.1 > ${q_docs}/quorbital.1.gz
  COMMAND ${GZIP_EXECUTABLE} -9n -c ${PROJECT_SOURCE_DIR}/dist/debian/changelog > ${q_docs}/changelog.gz
  DEPENDS ${q_docs}/quorbital.1 ${PROJECT_SOURCE_DIR}/dist/debian/changelog
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(package_docs ALL DEPENDS ${q_docs}/quorbital.1.gz ${q_docs}/changelog.gz)
install(FILES ${q_docs}/quorbital.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/dist/debian/copyright ${q_docs}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorbital)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorbital)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Vexalio)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Staged with DESTDIR, so the installation rules know not to touch the
# desktop caches of the machine that builds the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Quorbital packaging <packaging@quorbital.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client of the content editor")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quorbital shows the content editor's pages in a skinned window, opens .zv
documents in the offline editor, saves slide downloads with a download list
and keeps its page bundle up to date from the vendor's update service.")
# Libraries from the binaries themselves; besides them the font every Chinese
# text of the windows and pages needs, and xdg-open, which the client starts
# to open downloaded files when GIO has no handler. The desktop database and
# the MIME database make .zv files open with the client.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei | fonts-noto-cjk, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, shared-mime-info")
# The desktop, MIME and icon caches are rebuilt by the triggers those tools
# own; the package only activates them (no maintainer scripts).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/dist/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
