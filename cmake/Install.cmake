# Install rules: the three programs, the desktop entry and the icon, where a Linux desktop
# looks for them. The skin Style.dll goes beside vantel (the application loads it from its own
# folder); src/res installs it. An installed vantel keeps its settings in the user's
# configuration directory, since it cannot write beside itself.

foreach(program vantel vantel-sim vantelctl)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET vantel)
  set(VANTEL_DESKTOP_EXEC ${CMAKE_INSTALL_FULL_BINDIR}/vantel)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/vantel.desktop.in
                 ${PROJECT_BINARY_DIR}/packaging/vantel.desktop @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/vantel.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/vantel.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

if(TARGET vantelctl)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/vantelctl/README.md
          DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME vantelctl.md)
endif()
