# Install rules and the Debian packages.
#
# Components:
#   Runtime      the program and its command-line companion rq36, the
#                interface libraries they bind (ORSG, ORSC) in the program's
#                private library folder, launcher, icon, AppStream metadata,
#                manual pages, rq36's bash completion and the help document
#   Development  ORSG for other hosts: its headers and a link to the library
#                where a linker and a developer look for them
#   Simulator    the stand-ins for what is outside (ORSA/B/D/E/F and the card
#                driver library with its emulated card), for training and
#                tests; never installed unless asked for by name
#
# The program finds its private folder relative to its executable (the
# relative path is compiled in), so a package for /usr and an install into
# any other prefix work the same way.

set(RQ36_PACKAGE_NAME w-rq36)
set(RQ36_APP_ID com.example.w_rq36)
include(GNUInstallDirs)
# Documentation goes to the Debian package's own folder.
set(RQ36_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/${RQ36_PACKAGE_NAME}")

set(RQ36_PRIVATE_LIBDIR "${CMAKE_INSTALL_LIBDIR}/${RQ36_PACKAGE_NAME}")
file(RELATIVE_PATH RQ36_PRIVATE_LIBDIR_FROM_BINDIR
     "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}/${RQ36_PACKAGE_NAME}")
file(RELATIVE_PATH RQ36_DOCDIR_FROM_BINDIR "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_DATAROOTDIR}/doc/${RQ36_PACKAGE_NAME}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/install_layout.h.in ${CMAKE_BINARY_DIR}/generated/install_layout.h @ONLY)
target_include_directories(rq36_core PUBLIC ${CMAKE_BINARY_DIR}/generated)

# The program needs no search path of its own: it loads its interface
# libraries by full path.  ORSG and ORSC keep $ORIGIN so that the card driver
# stand-in of the Simulator component, put beside them, serves them.
set_target_properties(W_RQ36 rq36 PROPERTIES INSTALL_RPATH "")

install(TARGETS W_RQ36 rq36 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
# The real interface libraries: ORSG (and as ORSC) and the Modbus RTU
# library of kind 5.
install(TARGETS ORSG ORSC ORSF LIBRARY DESTINATION ${RQ36_PRIVATE_LIBDIR} COMPONENT Runtime)
# The stand-ins, and the module served on a pseudo-terminal for kind 5.
install(TARGETS ORSA ORSB ORSD ORSE VARNEL_OX952
        LIBRARY DESTINATION ${RQ36_PRIVATE_LIBDIR} COMPONENT Simulator EXCLUDE_FROM_ALL)
install(TARGETS rq36_modbus_sim RUNTIME DESTINATION ${RQ36_PRIVATE_LIBDIR} COMPONENT Simulator EXCLUDE_FROM_ALL)
# The front panel of the simulated modules, a command of its own.
install(TARGETS rq36_sim_panel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Simulator EXCLUDE_FROM_ALL)

set(pkg ${CMAKE_CURRENT_SOURCE_DIR}/packaging)
install(FILES ${pkg}/${RQ36_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Runtime)
install(FILES ${pkg}/${RQ36_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        COMPONENT Runtime)
install(FILES ${pkg}/${RQ36_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT Runtime)
install(FILES ${RQ36_MANUAL_PDF} DESTINATION ${RQ36_DOCDIR} COMPONENT Runtime)
# rq36's completion, where bash-completion loads it on demand.
install(FILES ${pkg}/rq36.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME rq36 COMPONENT Runtime)

# ORSG for other hosts: headers under include/orsg, and libORSG.so in the
# library folder as a link into the program's private folder (one copy).
install(FILES common/orsg.h common/ors_contract.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orsg
        COMPONENT Development)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
file(CREATE_LINK ${RQ36_PACKAGE_NAME}/libORSG.so ${CMAKE_BINARY_DIR}/install-links/libORSG.so SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/install-links/libORSG.so DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)

# The manual pages and every package's changelog, compressed as Debian wants
# them (gzip -n: no name or time stamp, so the bytes do not change per build).
find_program(RQ36_GZIP gzip REQUIRED)
set(gz ${CMAKE_BINARY_DIR}/packaging)
add_custom_command(OUTPUT ${gz}/W_RQ36.1.gz ${gz}/rq36.1.gz ${gz}/rq36-sim-panel.1.gz ${gz}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${gz}
  COMMAND ${RQ36_GZIP} -9n -c ${pkg}/W_RQ36.1 > ${gz}/W_RQ36.1.gz
  COMMAND ${RQ36_GZIP} -9n -c ${pkg}/rq36.1 > ${gz}/rq36.1.gz
  COMMAND ${RQ36_GZIP} -9n -c ${pkg}/rq36-sim-panel.1 > ${gz}/rq36-sim-panel.1.gz
  COMMAND ${RQ36_GZIP} -9n -c ${pkg}/changelog > ${gz}/changelog.gz
  DEPENDS ${pkg}/W_RQ36.1 ${pkg}/rq36.1 ${pkg}/rq36-sim-panel.1 ${pkg}/changelog
  COMMENT "Compressing the manual pages and the changelog")
add_custom_target(rq36_packaging_files ALL
  DEPENDS ${gz}/W_RQ36.1.gz ${gz}/rq36.1.gz ${gz}/rq36-sim-panel.1.gz ${gz}/changelog.gz)
install(FILES ${gz}/W_RQ36.1.gz ${gz}/rq36.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
install(FILES ${gz}/rq36-sim-panel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Simulator EXCLUDE_FROM_ALL)

# Each package carries its copyright and changelog in its own doc folder.
set(RQ36_DEB_Runtime ${RQ36_PACKAGE_NAME})
set(RQ36_DEB_Development liborsg-dev)
set(RQ36_DEB_Simulator ${RQ36_PACKAGE_NAME}-simulator)
foreach(component Runtime Development Simulator)
  set(extra "")
  if(component STREQUAL "Simulator")
    set(extra EXCLUDE_FROM_ALL)
  endif()
  install(FILES ${pkg}/copyright ${gz}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${RQ36_DEB_${component}} COMPONENT ${component} ${extra})
endforeach()

# Debian packages: one per component.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${RQ36_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "W_RQ36 developers")
set(CPACK_PACKAGE_CONTACT "W_RQ36 developers <w-rq36@example.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL "http://www.example.com")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime Development Simulator)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_PREFIX}/${RQ36_PRIVATE_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${RQ36_DEB_Runtime})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${RQ36_DEB_Development})
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_NAME ${RQ36_DEB_Simulator})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# A PDF viewer for the help document and the desktop's opener are wanted,
# not needed: without them the help item says it cannot open the file.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "xdg-utils, qt6-translations-l10n, evince | okular | pdf-viewer")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SUGGESTS "${RQ36_DEB_Simulator}")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Runtime)
set(CPACK_COMPONENT_SIMULATOR_DEPENDS Runtime)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION [=[configuration and test tool for the RQ-36 measuring module
W_RQ36 connects to an RQ-36 remote measuring module over one of seven
interfaces (COM port with Vextbus-2 or Modbus RTU, the ORS-B, ORS-C and ORS-G
cards, the ORS-D USB and ORS-E LAN converters), reads and writes its address,
speed, parity, protocol, input ranges and digital options, shows live analog
values, counters, digital inputs and the status register, sets the outputs
and counters, calibrates the analog inputs and restarts the module. The command-line tool rq36 does the same from
scripts and over ssh, without a display.
.
The package contains ORSG, the interface library of the ORS-G PCI card, which
needs the card maker's driver library. The user interface and the manual
are in Czech.]=])
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION [=[ORSG interface library for the ORS-G PCI card - development files
ORSG reaches Vextbus-2 modules over one EUART channel of an ORS-G PCI card.
This package holds its C header and the link to the library, for programs
other than W_RQ36 that use the card.]=])
set(CPACK_COMPONENT_SIMULATOR_DESCRIPTION [=[simulated RQ-36 module and interfaces for W_RQ36
Stand-ins for the hardware outside W_RQ36: the interface libraries of the COM
port, ORS-B, ORS-D, ORS-E and Modbus kinds and the ORS-G card driver library
with an emulated card, all connected to a simulated RQ-36 module. With this
package installed, W_RQ36 can be used for training without any hardware.
It replaces the card driver library for the program only.]=])
include(CPack)
