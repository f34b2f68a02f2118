# Installation layout, and the default page bundle beside the executable in
# the build tree. Included last by the top-level CMakeLists.txt, when every
# target exists.
#
# Under the prefix:
#   bin/quorbital                                   the executable (app/CMakeLists.txt)
#   <libdir>/quorbital/webext/                      the web process extension
#   share/quorbital/{Skin,res}/                     skins and images
#   share/quorbital/bundle/contentEditor/           the default page bundle
#   share/quorbital/update-keys/*.pub                keys trusted to sign bundle updates
#   share/applications/quorbital.desktop            desktop entry for .zv files
#   share/mime/packages/quorbital.xml               the application/x-zv type
#   share/icons/hicolor/.../quorbital.*             the program icon
#   share/metainfo/io.vexalio.quorbital.metainfo.xml  AppStream data
#   share/man/man1/quorbital.1.gz, share/doc/quorbital/  manual, copyright,
#                                                   changelog (Package.cmake)
#
# The executable finds its files relative to its own folder: beside it in the
# build tree (Skin/, res/, bundle/, update-keys/, webext/), and at
# QUORBITAL_INSTALL_DATA_RELDIR and QUORBITAL_INSTALL_WEBEXT_RELDIR (paths
# relative to the executable's folder, given to q_app as definitions) once
# installed.

set(QUORBITAL_DATA_DIR ${CMAKE_INSTALL_DATADIR}/quorbital)
set(QUORBITAL_WEBEXT_DIR ${CMAKE_INSTALL_LIBDIR}/quorbital/webext)

file(RELATIVE_PATH QUORBITAL_INSTALL_DATA_RELDIR
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/quorbital)
file(RELATIVE_PATH QUORBITAL_INSTALL_WEBEXT_RELDIR
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/quorbital/webext)
if(TARGET q_app)
  target_compile_definitions(q_app PUBLIC
    QUORBITAL_INSTALL_DATA_RELDIR="${QUORBITAL_INSTALL_DATA_RELDIR}"
    QUORBITAL_INSTALL_WEBEXT_RELDIR="${QUORBITAL_INSTALL_WEBEXT_RELDIR}")
endif()
# The engine looks for the extension there when it is not beside the executable.
if(TARGET q_engine)
  target_compile_definitions(q_engine PRIVATE
    QUORBITAL_INSTALL_WEBEXT_RELDIR="${QUORBITAL_INSTALL_WEBEXT_RELDIR}")
endif()

# The default bundle beside the executable, like Skin/ and res/, so the
# client installs it on first run from the build tree too.
add_custom_target(bundle_files ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/bundle
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/bundle/contentEditor
          ${CMAKE_BINARY_DIR}/bundle/contentEditor
  COMMENT "Copying the default page bundle beside the executable")
if(TARGET quorbital)
  add_dependencies(quorbital bundle_files)
endif()

if(TARGET quorbital-renderer)
  install(TARGETS quorbital-renderer
    LIBRARY DESTINATION ${QUORBITAL_WEBEXT_DIR}
    RUNTIME DESTINATION ${QUORBITAL_WEBEXT_DIR})
endif()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/Skin/ DESTINATION ${QUORBITAL_DATA_DIR}/Skin)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/ DESTINATION ${QUORBITAL_DATA_DIR}/res)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/bundle/contentEditor DESTINATION ${QUORBITAL_DATA_DIR}/bundle)
# Only the keys; without any, no folder is installed.
file(GLOB update_keys ${PROJECT_SOURCE_DIR}/dist/update-keys/*.pub)
if(update_keys)
  install(FILES ${update_keys} DESTINATION ${QUORBITAL_DATA_DIR}/update-keys)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/dist/quorbital.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/dist/quorbital-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quorbital.xml)
install(FILES ${PROJECT_SOURCE_DIR}/res/quorbital.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/res/quorbital.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes RENAME application-x-zv.svg)
# The 48x48 program icon of the resources, when present.
if(EXISTS ${PROJECT_SOURCE_DIR}/res/icon_101.png)
  install(FILES ${PROJECT_SOURCE_DIR}/res/icon_101.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME quorbital.png)
endif()

# AppStream data, so software centres list the client.
install(FILES ${PROJECT_SOURCE_DIR}/dist/quorbital.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME io.vexalio.quorbital.metainfo.xml)

# Desktop caches: refreshed on a real installation when the tools exist; a
# staged installation (DESTDIR, packaging) only says what to run.
install(CODE "set(q_datadir \"${CMAKE_INSTALL_DATADIR}\")")
install(CODE [[
  if(IS_ABSOLUTE "${q_datadir}")
    set(share "${q_datadir}")
  else()
    set(share "${CMAKE_INSTALL_PREFIX}/${q_datadir}")
  endif()
  if(DEFINED ENV{DESTDIR} AND NOT "$ENV{DESTDIR}" STREQUAL "")
    message(STATUS "Staged install: on the target run update-mime-database ${share}/mime, "
                   "update-desktop-database ${share}/applications and "
                   "gtk-update-icon-cache -q -t ${share}/icons/hicolor")
  else()
    foreach(step "update-mime-database;${share}/mime"
                 "update-desktop-database;-q;${share}/applications"
                 "gtk-update-icon-cache;-q;-t;${share}/icons/hicolor")
      list(GET step 0 tool)
      find_program(tool_path ${tool} NO_CACHE)
      if(tool_path)
        list(SUBLIST step 1 -1 tool_args)
        execute_process(COMMAND ${tool_path} ${tool_args} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
        message(STATUS "${tool}: ${rc}")
      else()
        message(STATUS "${tool} not found: skipped (run it once it is installed)")
      endif()
      unset(tool_path)
    endforeach()
  endif()
]])
