# Debian packages through CPack (scripts/package-linux), one per install component:
#   plugdebug                   the two programs, desktop entry, icons, samples
#   libvuro-plugin-message1     the message library (SOVERSION 1)
#   libvuro-plugin-message-dev  its headers, link name, CMake package and pkg-config file
# Each carries /usr/share/doc/<package>/copyright and changelog.Debian.gz; plugdebug and
# the library also the third-party notices; plugdebug the manual pages.
include(GNUInstallDirs)

set(deb_components plugdebug libvuro-plugin-message1 libvuro-plugin-message-dev)
# SOURCE_DATE_EPOCH, when set, fixes the date.
string(TIMESTAMP deb_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(deb_maintainer "plugdebug authors <plugdebug@example.org>")
foreach(component IN LISTS deb_components)
  set(doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/${component})
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/copyright DESTINATION ${doc}
    RENAME copyright COMPONENT ${component})
  set(changelog ${PROJECT_BINARY_DIR}/debian/${component}/changelog.Debian)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.Debian.in ${changelog} @ONLY)
  execute_process(COMMAND gzip -9nc ${changelog} OUTPUT_FILE ${changelog}.gz
    COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${PROJECT_BINARY_DIR}/debian/${component}/changelog.Debian.gz
    DESTINATION ${doc} COMPONENT ${component})
endforeach()
foreach(page plugdebug plugdebug-cli)
  execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/docs/${page}.1
    OUTPUT_FILE ${PROJECT_BINARY_DIR}/debian/${page}.1.gz COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${PROJECT_BINARY_DIR}/debian/${page}.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT plugdebug)
endforeach()
foreach(component plugdebug libvuro-plugin-message1)
  install(FILES ${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${component} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${deb_components})
set(CPACK_PACKAGE_NAME plugdebug)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the plugdebug authors")
set(CPACK_PACKAGE_CONTACT ${deb_maintainer})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs' own library is in the package beside them, not yet on the system.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  ${PROJECT_BINARY_DIR}/plugin_message)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_DEBIAN_PLUGDEBUG_PACKAGE_NAME plugdebug)
set(CPACK_DEBIAN_PLUGDEBUG_PACKAGE_SECTION devel)
set(CPACK_COMPONENT_PLUGDEBUG_DEPENDS libvuro-plugin-message1)
# Qt's own texts in Japanese; read at run time, so no library dependency names it.
set(CPACK_DEBIAN_PLUGDEBUG_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PLUGDEBUG_PACKAGE_RECOMMENDS "ruby, python3")
set(CPACK_COMPONENT_PLUGDEBUG_DESCRIPTION
"debugger for the script plug-ins of a Japanese input method
plugdebug runs a Ruby, Perl or Python plug-in for the direct-plug-in feature
outside the input method, exactly as the input method would: one syntax check
and one processing call, each in a child interpreter fed through a bridge
script. It shows what the plug-in printed on standard output and standard
error, and the candidates it returned.

The package holds the Qt dialog plugdebug and the command-line program
plugdebug-cli, with sample plug-ins in each language.")

set(CPACK_DEBIAN_LIBVURO-PLUGIN-MESSAGE1_PACKAGE_NAME libvuro-plugin-message1)
set(CPACK_DEBIAN_LIBVURO-PLUGIN-MESSAGE1_PACKAGE_SECTION libs)
# A shlibs file, and the trigger that runs ldconfig when the library comes or goes.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBVURO-PLUGIN-MESSAGE1_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
set(CPACK_COMPONENT_LIBVURO-PLUGIN-MESSAGE1_DESCRIPTION
"message classes shared by script plug-ins and their host
VURO_PLUGIN_MESSAGE holds the message classes through which script plug-ins
of a Japanese input method and their host exchange results: the processing
result, the palette run and its window notification, and the quit flag.")

set(CPACK_DEBIAN_LIBVURO-PLUGIN-MESSAGE-DEV_PACKAGE_NAME libvuro-plugin-message-dev)
set(CPACK_DEBIAN_LIBVURO-PLUGIN-MESSAGE-DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_LIBVURO-PLUGIN-MESSAGE-DEV_DEPENDS libvuro-plugin-message1)
set(CPACK_COMPONENT_LIBVURO-PLUGIN-MESSAGE-DEV_DESCRIPTION
"message classes shared by script plug-ins and their host (development files)
VURO_PLUGIN_MESSAGE holds the message classes through which script plug-ins
of a Japanese input method and their host exchange results.

This package holds the headers, the link name, a CMake package
(find_package(VURO_PLUGIN_MESSAGE)) and a pkg-config file
(vuro-plugin-message) for building a host.")

include(CPack)
