# Installs the game for a desktop, for example for one player with
#     cmake --install build --prefix ~/.local
#
# The program keeps its high score in a file beside itself, so it gets a folder of its own.
# Where the player may not write that folder (an install for everyone), each player's score
# goes to their own copy in ~/.local/share/quorrax/. A launcher on the PATH starts the
# program from its folder, and a menu entry with the icon in the hicolor theme starts the
# launcher.

set(QUORRAX_PROGRAM_DESTINATION lib/quorrax)
set(QUORRAX_LAUNCHER_TO_PROGRAM ../${QUORRAX_PROGRAM_DESTINATION}/quorrax)

install(TARGETS quorrax RUNTIME DESTINATION ${QUORRAX_PROGRAM_DESTINATION})

configure_file(${CMAKE_CURRENT_SOURCE_DIR}/desktop/quorrax.sh.in ${CMAKE_CURRENT_BINARY_DIR}/desktop/quorrax @ONLY)
install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/desktop/quorrax DESTINATION bin)

install(FILES assets/icon16.png DESTINATION share/icons/hicolor/16x16/apps RENAME quorrax.png)
install(FILES assets/icon32.png DESTINATION share/icons/hicolor/32x32/apps RENAME quorrax.png)

# The menu entry names the launcher by its full path, which is known only when installing
# (the prefix may be given then), so the entry is written at that moment.
install(CODE "
    set(QUORRAX_DESKTOP_TEMPLATE [[${CMAKE_CURRENT_SOURCE_DIR}/desktop/quorrax.desktop.in]])
    set(QUORRAX_DESKTOP_STAGING [[${CMAKE_CURRENT_BINARY_DIR}/desktop/entry]])
")
install(SCRIPT cmake/install-desktop-entry.cmake)
