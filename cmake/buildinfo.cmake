# SPDX-License-Identifier: MIT
# The facts the program and its installed files share: the version (from project()), the
# software centre's id, the publisher's addresses, and where the install puts things.
# Whoever publishes the game sets the cache variables, for example
#     cmake -S . -B build -DQUORRAX_APP_ID=<their reversed domain>.Quorrax -DQUORRAX_HOMEPAGE=<page>

# The releases and the day of this one, from NEWS.
include(${CMAKE_CURRENT_LIST_DIR}/news.cmake)

# A reverse-DNS id names a domain that vouches for the game. The game has none of its own,
# so the default starts with a name that is no top-level domain: it claims nobody's address
# and still has the three lowercase parts that the software centres' validator asks for.
set(QUORRAX_APP_ID quorrax.game.quorrax CACHE STRING
    "Desktop entry and software centre id, the publisher's reversed domain and the game's name")
set(QUORRAX_HOMEPAGE "" CACHE STRING "The game's home page, for the About box and the software centre (none if empty)")
set(QUORRAX_CONTACT "" CACHE STRING "An address the players may write to, for the About box (none if empty)")

# GNUInstallDirs would name the documentation's folder after project(), with a capital.
if(NOT CMAKE_INSTALL_DOCDIR)
    set(CMAKE_INSTALL_DOCDIR share/doc/quorrax CACHE PATH "Documentation (README, licence)" FORCE)
endif()
include(GNUInstallDirs)

if(QUORRAX_SYSTEM_INSTALL)
    set(QUORRAX_SYSTEM_INSTALL_CPP true)
    # The program on everyone's PATH (Debian: -DCMAKE_INSTALL_BINDIR=games), the manual
    # where man finds it, and nothing beside the program. The program names no place of
    # the build: a package's files do not depend on where it was built.
    set(QUORRAX_PROGRAM_DESTINATION ${CMAKE_INSTALL_BINDIR})
    set(QUORRAX_INSTALLED_DOCS ${CMAKE_INSTALL_FULL_DOCDIR})
    set(QUORRAX_SOURCE_README "")
    set(QUORRAX_BUILT_MANUAL "")
else()
    set(QUORRAX_SYSTEM_INSTALL_CPP false)
    # The program in a folder of its own, where it keeps the high score beside itself; the
    # prefix may still change at install time, so the program finds its documentation
    # from its own place. Run from the build folder, it names the build's own files.
    set(QUORRAX_PROGRAM_DESTINATION lib/quorrax)
    set(program_folder ${CMAKE_INSTALL_PREFIX}/${QUORRAX_PROGRAM_DESTINATION})
    file(RELATIVE_PATH QUORRAX_INSTALLED_DOCS ${program_folder} ${CMAKE_INSTALL_FULL_DOCDIR})
    set(QUORRAX_SOURCE_README ${CMAKE_CURRENT_SOURCE_DIR}/README.md)
    set(QUORRAX_BUILT_MANUAL ${CMAKE_CURRENT_BINARY_DIR}/desktop/quorrax.6)
endif()

configure_file(desktop/quorrax.6.in ${CMAKE_CURRENT_BINARY_DIR}/desktop/quorrax.6 @ONLY)
configure_file(cmake/buildinfo.h.in ${CMAKE_CURRENT_BINARY_DIR}/configured/buildinfo.h @ONLY)
