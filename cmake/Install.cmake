# Install rules, laid out as a Linux system expects them: only the programs in bin/, the skin
# under share/vantel/ (vantel looks beside itself first, then there), the desktop entry, icon
# and AppStream metainfo, manual pages made from the programs' --help, and the documentation
# under share/doc/vantel. An installed vantel keeps its settings in the user's configuration
# directory, since it cannot write beside itself.

set(VANTEL_MAINTAINER "Vantel developers <developers@vantel.example>")
set(VANTEL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VANTEL_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)
# Named after the package, which is lower case (GNUInstallDirs would take the project name).
set(VANTEL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/vantel)

foreach(program vantel vantel-sim vantelctl vantel-hub)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The one-line description of each manual page.
set(VANTEL_MAN_vantelctl "command-line client of the Vantel matrix switcher")
set(VANTEL_MAN_vantel-sim "software matrix switcher serving the Vantel device protocol")

# Manual pages and the changelog are compressed as Debian wants them; -n keeps the name and
# time out, so that the bytes repeat from build to build.
find_program(HELP2MAN_EXE help2man)
find_program(GZIP_EXE gzip)
if(NOT GZIP_EXE)
  message(FATAL_ERROR "gzip not found")
endif()

# Adds a build step making `${input}.gz` from input, and installs it to destination.
function(vantel_install_compressed input destination)
  add_custom_command(OUTPUT ${input}.gz COMMAND ${GZIP_EXE} -9nkf ${input} DEPENDS ${input})
  get_filename_component(name ${input} NAME)
  add_custom_target(vantel_gz_${name} ALL DEPENDS ${input}.gz)
  install(FILES ${input}.gz DESTINATION ${destination})
endfunction()

# Packages come from a plain build; a sanitizer build does not run its programs at build time.
if(VANTEL_SANITIZE)
  message(STATUS "Sanitizer build: no manual pages for the command-line programs")
elseif(HELP2MAN_EXE)
  foreach(program vantelctl vantel-sim)
    if(TARGET ${program})
      set(page ${VANTEL_PACKAGING_OUT}/${program}.1)
      add_custom_command(
        OUTPUT ${page}
        COMMAND ${HELP2MAN_EXE} --no-info --no-discard-stderr --name "${VANTEL_MAN_${program}}"
                --output ${page} $<TARGET_FILE:${program}>
        DEPENDS ${program}
        COMMENT "Manual page of ${program} from its --help")
      vantel_install_compressed(${page} ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
  endforeach()
else()
  message(WARNING "help2man not found: no manual pages for the command-line programs "
                  "(scripts/install-deps.sh installs it)")
endif()

if(TARGET vantel)
  install(FILES ${VANTEL_PACKAGING_DIR}/vantel.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # vantel has no --help to make a page from; its page is written by hand.
  configure_file(${VANTEL_PACKAGING_DIR}/vantel.1 ${VANTEL_PACKAGING_OUT}/vantel.1 COPYONLY)
  vantel_install_compressed(${VANTEL_PACKAGING_OUT}/vantel.1 ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${VANTEL_PACKAGING_DIR}/vantel.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  configure_file(${VANTEL_PACKAGING_DIR}/vantel.metainfo.xml
                 ${VANTEL_PACKAGING_OUT}/org.vantel.Vantel.metainfo.xml @ONLY)
  install(FILES ${VANTEL_PACKAGING_OUT}/org.vantel.Vantel.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

if(TARGET vantel-hub)
  # Its page says more than --help can (locks, the device gone, the service), so it is written
  # by hand; the service runs it with the settings in /etc/vantel.
  configure_file(${VANTEL_PACKAGING_DIR}/vantel-hub.1 ${VANTEL_PACKAGING_OUT}/vantel-hub.1 COPYONLY)
  vantel_install_compressed(${VANTEL_PACKAGING_OUT}/vantel-hub.1 ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${VANTEL_PACKAGING_DIR}/vantel-hub.service DESTINATION lib/systemd/system)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/vantel-hub/README.md DESTINATION ${VANTEL_DOCDIR}
          RENAME vantel-hub.md)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/docs/user-guide.md ${VANTEL_PACKAGING_DIR}/copyright
        DESTINATION ${VANTEL_DOCDIR})
if(TARGET vantelctl)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/vantelctl/README.md
          DESTINATION ${VANTEL_DOCDIR} RENAME vantelctl.md)
endif()

# A package whose version has no Debian revision is native: its changelog is changelog.gz.
configure_file(${VANTEL_PACKAGING_DIR}/changelog.in ${VANTEL_PACKAGING_OUT}/changelog
               @ONLY)
vantel_install_compressed(${VANTEL_PACKAGING_OUT}/changelog ${VANTEL_DOCDIR})
