# Installation beside the programs' own rules, and the Debian package (cpack -G DEB). Included
# last from the top level, so that every program target exists here.
#
#   cmake --install <build>                  programs, desktop entry, icons, metainfo, manual
#                                            pages and the copyright file under the prefix
#   cd <build> && cpack -G DEB               the package travex-config_<version>-<rev>_<arch>.deb
#
# The package version is the project's version; the Debian revision and the release history
# come from packaging/changelog, whose newest entry must name the project's version.
include(GNUInstallDirs)

set(TRAVEX_PACKAGE_NAME travex-config)
set(TRAVEX_PACKAGE_MAINTAINER "The Travex configuration tool developers <travex-dev@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${TRAVEX_PACKAGE_NAME})
set(_packaging ${PROJECT_SOURCE_DIR}/packaging)

# --- the one version, as the release records name it ---
file(STRINGS ${_packaging}/changelog _newest LIMIT_COUNT 1)
string(REPLACE "." "\\." _version_re "${PROJECT_VERSION}")
if(NOT _newest MATCHES "^${TRAVEX_PACKAGE_NAME} \\(${_version_re}-([0-9]+)\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry is not for version "
                      "${PROJECT_VERSION} (\"${_newest}\"); add one")
endif()
set(TRAVEX_DEBIAN_REVISION ${CMAKE_MATCH_1})
file(STRINGS ${PROJECT_SOURCE_DIR}/resources/org.example.travex.config.metainfo.xml _release
     REGEX "<release " LIMIT_COUNT 1)
if(NOT _release MATCHES "version=\"${_version_re}\"")
  message(FATAL_ERROR "resources/org.example.travex.config.metainfo.xml: the newest release is not "
                      "${PROJECT_VERSION}; add it")
endif()

# --- programs (the dialog's rules are in app/qt) ---
install(TARGETS travex-logger-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET travex-cli)
  install(TARGETS travex-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
set(_programs)
foreach(_program travex-config travex-cli travex-logger-sim)
  if(TARGET ${_program})
    list(APPEND _programs ${_program})
  endif()
endforeach()

# --- compressed manual pages and changelog (gzip -n: no name or time stamp inside) ---
find_program(GZIP_EXECUTABLE gzip REQUIRED)
function(travex_gzip source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${GZIP_EXECUTABLE} -9 -n -c ${source} > ${output}
                     DEPENDS ${source}
                     COMMENT "Compressing ${source}")
endfunction()

# man/<program>.1 for every program that is built.
file(GLOB _man_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/*.1)
set(_man_pages)
foreach(_source IN LISTS _man_sources)
  get_filename_component(_page ${_source} NAME)
  string(REGEX REPLACE "\\.1$" "" _program ${_page})
  if(_program IN_LIST _programs)
    travex_gzip(${_source} ${PROJECT_BINARY_DIR}/man/${_page}.gz)
    list(APPEND _man_pages ${PROJECT_BINARY_DIR}/man/${_page}.gz)
  endif()
endforeach()
install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(_changelog ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/man ${PROJECT_BINARY_DIR}/packaging)
travex_gzip(${_packaging}/changelog ${_changelog})
install(FILES ${_packaging}/copyright ${_changelog} DESTINATION ${_doc_dir})

# Everything the package holds, without the tests: with -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
# building this target is enough before cpack (scripts/package.sh does so).
add_custom_target(package-contents ALL DEPENDS ${_man_pages} ${_changelog})
add_dependencies(package-contents ${_programs})

# --- the Debian package ---
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TRAVEX_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Travex configuration tool developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for a data logger on a serial line")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop tool for field technicians: it finds a data logger's baud rate on a
serial line, reads and writes all of the logger's settings, and saves and
loads them as an INI parameter file. The user interface is Chinese.

travex-cli does the same from a shell, for scripts and provisioning
stations: read, write, compare and convert parameter files, on several
loggers at once.

The package also holds travex-logger-sim, a simulated logger on a
pseudo-terminal for trying the tool without a logger.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${TRAVEX_DEBIAN_REVISION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TRAVEX_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Chinese glyphs for the interface, and Qt's own dialogs (file dialog) in Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# --- checks of what is installed ---
# The metadata as software centres read it: not even a warning or a hint (--pedantic; the
# command fails on warnings and errors only, so the output is looked at too).
add_test(NAME package.metainfo
         COMMAND appstreamcli validate --no-net --pedantic
                 ${PROJECT_SOURCE_DIR}/resources/org.example.travex.config.metainfo.xml)
set_tests_properties(package.metainfo PROPERTIES
                     FAIL_REGULAR_EXPRESSION "(^|\n)[EWIP]: "
                     PASS_REGULAR_EXPRESSION "Validation was successful")
add_test(NAME package.desktop_entry
         COMMAND desktop-file-validate ${PROJECT_SOURCE_DIR}/resources/travex-config.desktop)

# The package itself: built from this build tree (normal builds with the dialog only), its file
# list checked, lintian's errors fatal.
if(TARGET travex-config AND TRAVEX_SANITIZE STREQUAL "")
  set(_expected
      usr/share/applications/travex-config.desktop
      usr/share/icons/hicolor/256x256/apps/travex-config.png
      usr/share/icons/hicolor/scalable/apps/travex-config.svg
      usr/share/metainfo/org.example.travex.config.metainfo.xml
      usr/share/doc/travex-config/copyright
      usr/share/doc/travex-config/changelog.Debian.gz)
  foreach(_program IN LISTS _programs)
    list(APPEND _expected usr/bin/${_program} usr/share/man/man1/${_program}.1.gz)
  endforeach()
  add_test(NAME package.deb
           COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/check_package.sh
                   ${CMAKE_CPACK_COMMAND} ${PROJECT_BINARY_DIR} ${PROJECT_BINARY_DIR}/package-test
                   ${_expected})
  set_tests_properties(package.deb PROPERTIES TIMEOUT 120)
endif()
