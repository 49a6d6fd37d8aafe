# Installing Talvane as a Linux program, and its Debian package.
#
#   cmake --install build [--prefix DIR]      (default prefix /usr/local)
#
# installs talvane, talvane-modem-sim and talvane-log in bin/, and in share/:
# the desktop entry, the icon in the hicolor theme, a manual page for each
# program, the shipped radio list and the trace-log stylesheet (Velquin/
# Talvane/), the copyright and change log (doc/talvane/); and the user
# service unit talvane@.service in lib/systemd/user/. The console then
# finds its radio list through XDG_DATA_DIRS. tools/make-deb builds the
# package from the same rules with CPack.
if(TALVANE_FUZZ)
  return()
endif()

include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The programs print the version by which they are packaged: the literals in
# their sources must be this project's version.
foreach(check
    "source/talvane/app_logging.h|application_version|the console"
    "source/modem_simulator/sim_options.cpp|simulator_version|the simulated modem")
  string(REPLACE "|" ";" check "${check}")
  list(GET check 0 file)
  list(GET check 1 name)
  list(GET check 2 what)
  file(STRINGS ${PROJECT_SOURCE_DIR}/${file} line REGEX "${name}\\[\\] = \"")
  string(REGEX MATCH "\"([^\"]*)\"" found "${line}")
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "The version of ${what} (${name} in ${file}) is \"${CMAKE_MATCH_1}\", "
                        "the project's is ${PROJECT_VERSION}: make them the same.")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${file})
endforeach()

set(talvane_data ${PROJECT_SOURCE_DIR}/data)
set(talvane_share ${CMAKE_INSTALL_DATADIR}/Velquin/Talvane)
set(talvane_icon_sizes 16 24 32 48 64 128 256)

install(FILES ${talvane_data}/talvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size IN LISTS talvane_icon_sizes)
  install(FILES ${talvane_data}/icons/hicolor/${size}x${size}/apps/talvane.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${talvane_data}/TracingAndLogging.xsl DESTINATION ${talvane_share})

# Manual pages and the change log go compressed, without time stamps in the
# compressed files.
find_program(TALVANE_GZIP gzip REQUIRED)
string(TIMESTAMP talvane_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${talvane_data}/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
set(talvane_compressed)
foreach(source IN ITEMS
    man/talvane.1 man/talvane-modem-sim.1 man/talvane-log.1 ${CMAKE_BINARY_DIR}/doc/changelog)
  get_filename_component(name ${source} NAME)
  get_filename_component(source ${source} ABSOLUTE BASE_DIR ${talvane_data})
  set(copy ${CMAKE_BINARY_DIR}/compressed/${name})
  add_custom_command(OUTPUT ${copy}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
    COMMAND ${TALVANE_GZIP} -9nf ${copy}
    DEPENDS ${source}
    COMMENT "Compressing ${name}"
    VERBATIM)
  list(APPEND talvane_compressed ${copy}.gz)
endforeach()
add_custom_target(talvane_compressed_docs ALL DEPENDS ${talvane_compressed})
list(FILTER talvane_compressed INCLUDE REGEX "\\.1\\.gz$")
install(FILES ${talvane_compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${talvane_data}/copyright ${CMAKE_BINARY_DIR}/compressed/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The user service unit of a headless console, talvane@NAME.service, in the
# folder the user's service manager reads below the prefix. Its ExecStart
# names the console where this installation puts it, so the unit is written
# at install time (cpack installs under /usr into a staging folder).
set(talvane_unit ${CMAKE_BINARY_DIR}/systemd/talvane@.service)
install(CODE "
  set(TALVANE_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/talvane\")
  configure_file(\"${talvane_data}/talvane@.service.in\" \"${talvane_unit}\" @ONLY)
  file(INSTALL \"${talvane_unit}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\"
       PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
")

# The Debian package (tools/make-deb): talvane_<version>_<arch>.deb, its
# dependencies computed from the programs by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Velquin)
set(CPACK_PACKAGE_CONTACT "Velquin <support@velquin.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "control console for an HF radio data modem
Talvane connects to an HF radio data modem on a serial line, brings it into
a known configuration and watches it. The operator sets the waveform, data
rate and data port, sees link quality and receive status, runs 2G ALE calls
and radio control, and passes user data between a data application on a
virtual serial port and the modem.
.
The package also holds talvane-modem-sim, a simulated modem for trying the
console without hardware, and talvane-log, which prints and follows the
console's XML trace logs.")
set(CPACK_OUTPUT_FILE_PREFIX packages)
include(CPack)
