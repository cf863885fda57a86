# What `cmake --install` puts where, and the packages CPack makes of it
# (scripts/package.sh makes them all).
#
# Linux: bin/kestrix, lib/kestrix/libkestrix-gdal.so (builds with GDAL),
# share/man/man1/kestrix.1.gz, share/doc/kestrix/ (README, licence, changes)
# and share/kestrix/examples/; CPack makes a .deb (prefix /usr, its
# dependencies read from the executable and the module by dpkg-shlibdeps, so
# a build with GDAL depends on GDAL's runtime library) and a .tar.gz.
# Windows: one folder with kestrix.exe, the README, the licence, the changes
# and examples/, zipped by CPack.

# Installing (and so packaging) does not build the whole tree first, tests
# and all: scripts/package.sh builds the program (and its manual page) itself.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(kestrix_docs ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/CHANGELOG.md)
file(GLOB kestrix_examples ${CMAKE_SOURCE_DIR}/examples/*.mif ${CMAKE_SOURCE_DIR}/examples/*.mid)

if(WIN32)
  install(TARGETS kestrix RUNTIME DESTINATION .)
  install(FILES ${kestrix_docs} DESTINATION .)
  install(FILES ${kestrix_examples} DESTINATION examples)
else()
  install(TARGETS kestrix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(KESTRIX_GDAL_MODULE)
    install(TARGETS kestrix_gdal_module LIBRARY DESTINATION ${KESTRIX_INSTALL_MODULEDIR})
  endif()
  # Manual pages are installed compressed, as man-db and Debian expect.
  find_program(KESTRIX_GZIP gzip)
  if(KESTRIX_GZIP)
    set(kestrix_man ${CMAKE_BINARY_DIR}/kestrix.1.gz)
    add_custom_command(OUTPUT ${kestrix_man}
      COMMAND ${KESTRIX_GZIP} -9 -n -c ${CMAKE_SOURCE_DIR}/docs/kestrix.1 > ${kestrix_man}
      DEPENDS ${CMAKE_SOURCE_DIR}/docs/kestrix.1
      COMMENT "Compressing the manual page")
    add_custom_target(kestrix_manpage ALL DEPENDS ${kestrix_man})
    # Built with the program, so that what installs the program finds it.
    add_dependencies(kestrix kestrix_manpage)
  else()
    set(kestrix_man ${CMAKE_SOURCE_DIR}/docs/kestrix.1)
  endif()
  install(FILES ${kestrix_man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${kestrix_docs} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${kestrix_examples} DESTINATION ${CMAKE_INSTALL_DATADIR}/kestrix/examples)
endif()

set(CPACK_PACKAGE_NAME kestrix)
set(CPACK_PACKAGE_VENDOR "The Kestrix authors")
set(CPACK_PACKAGE_CONTACT "The Kestrix authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "One-dimensional river cross-sections from GIS surveys, ISIS and MIKE 11 models")
set(CPACK_PACKAGE_DESCRIPTION
  "Kestrix builds one-dimensional river cross-sections for the VORLAN family of hydraulic models from surveyed points in MapInfo MIF/MID or other GIS layers, and converts ISIS and MIKE 11 models: one .csv file per section and the section, bed-point and network layers.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "kestrix-${PROJECT_VERSION}-windows-x86_64")
else()
  set(CPACK_GENERATOR "DEB;TGZ")
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" kestrix_system)
  set(CPACK_PACKAGE_FILE_NAME "kestrix-${PROJECT_VERSION}-${kestrix_system}")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
