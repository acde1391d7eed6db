# Writes the desktop entry at install time, so that its Exec follows the
# prefix given to `cmake --install --prefix`.
set(entry_dir "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${SKYHARBOR_DATADIR}/applications")
file(READ "${SKYHARBOR_DESKTOP_IN}" entry)
string(REPLACE "@SKYHARBOR_EXEC@" "${CMAKE_INSTALL_PREFIX}/${SKYHARBOR_BINDIR}/skyharbor" entry "${entry}")
file(MAKE_DIRECTORY "${entry_dir}")
file(WRITE "${entry_dir}/skyharbor.desktop" "${entry}")
message(STATUS "Installing: ${entry_dir}/skyharbor.desktop")
