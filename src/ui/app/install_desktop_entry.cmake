# Writes the desktop entry at install time, so that its Exec follows the
# prefix given to `cmake --install --prefix`.
set(SKYHARBOR_EXEC "${CMAKE_INSTALL_PREFIX}/${SKYHARBOR_BINDIR}/skyharbor")
set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${SKYHARBOR_DATADIR}/applications/skyharbor.desktop")
configure_file("${SKYHARBOR_DESKTOP_IN}" "${entry}" @ONLY)
message(STATUS "Installing: ${entry}")
