# SPDX-License-Identifier: MIT
# Installs the game for a desktop: the program, its menu entry and software centre entry,
# the icons in the hicolor theme, the manual and the README.
#
# For one player (the default), for example with
#     cmake --install build --prefix ~/.local
# the program keeps its high score in a file beside itself, so it gets a folder of its own
# (lib/quorrax), and a launcher on the PATH starts it from there.
#
# For everyone (-DQUORRAX_SYSTEM_INSTALL=ON, as a distribution's package builds it), the
# program goes straight into the folder of programs (Debian: -DCMAKE_INSTALL_BINDIR=games)
# and keeps each player's high score in the player's own data folder only.

install(TARGETS quorrax RUNTIME DESTINATION ${QUORRAX_PROGRAM_DESTINATION})
if(QUORRAX_SYSTEM_INSTALL)
    set(QUORRAX_COMMAND ${QUORRAX_PROGRAM_DESTINATION}/quorrax)
else()
    file(RELATIVE_PATH QUORRAX_LAUNCHER_TO_PROGRAM
        ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${QUORRAX_PROGRAM_DESTINATION}/quorrax)
    configure_file(desktop/quorrax.sh.in ${CMAKE_CURRENT_BINARY_DIR}/desktop/quorrax @ONLY)
    install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/desktop/quorrax DESTINATION ${CMAKE_INSTALL_BINDIR})
    set(QUORRAX_COMMAND ${CMAKE_INSTALL_BINDIR}/quorrax)
endif()

foreach(size 16 32 48 64 128 256)
    install(FILES assets/icons/quorrax-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME quorrax.png)
endforeach()
install(FILES assets/icons/quorrax.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/desktop/quorrax.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES README.md NEWS LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The software centre's entry. The home page goes in only where the publisher has one.
set(QUORRAX_METAINFO_URLS "")
if(QUORRAX_HOMEPAGE)
    string(REPLACE "&" "&amp;" url "${QUORRAX_HOMEPAGE}")
    string(REPLACE "<" "&lt;" url "${url}")
    set(QUORRAX_METAINFO_URLS "  <url type=\"homepage\">${url}</url>\n")
endif()
# The developer's id is the application's without the game's own name.
string(REGEX REPLACE "\\.[^.]*$" "" QUORRAX_DEVELOPER_ID "${QUORRAX_APP_ID}")
configure_file(desktop/quorrax.metainfo.xml.in
    ${CMAKE_CURRENT_BINARY_DIR}/desktop/${QUORRAX_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/desktop/${QUORRAX_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The menu entry names the program by its full path, which is known only when installing
# (the prefix may be given then), so the entry is written at that moment.
install(CODE "
    set(QUORRAX_DESKTOP_TEMPLATE [[${CMAKE_CURRENT_SOURCE_DIR}/desktop/quorrax.desktop.in]])
    set(QUORRAX_DESKTOP_STAGING [[${CMAKE_CURRENT_BINARY_DIR}/desktop/entry]])
    set(QUORRAX_DESKTOP_NAME [[${QUORRAX_APP_ID}.desktop]])
    set(QUORRAX_DESKTOP_FOLDER [[${CMAKE_INSTALL_DATADIR}/applications]])
    set(QUORRAX_COMMAND [[${QUORRAX_COMMAND}]])
")
install(SCRIPT cmake/install-desktop-entry.cmake)
