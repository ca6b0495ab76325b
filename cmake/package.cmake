# Packs the game as a Debian package that installs it for everyone under /usr:
#     cmake --build build && (cd build && cpack -G DEB)
# or `cmake --build build --target package`. The package's libraries are found from the
# program itself (dpkg-shlibdeps, from dpkg-dev); the Japanese texts need one of the two
# Japanese Gothic fonts the window asks for.
#
# Installed for everyone, the program's folder is not the players' to write: each player's
# high score then goes to their own copy of the file, in ~/.local/share/quorrax/.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorrax)
set(CPACK_PACKAGE_VENDOR Quorrax)
set(CPACK_PACKAGE_CONTACT "Quorrax developers <quorrax@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade game of crawling lines for one or two players")
set(CPACK_PACKAGE_DESCRIPTION
    "Three lines crawl over a black field, each leaving a trail. Steer yours by right-angle turns and never run into a trail: alone for the best score, or against a friend at the same keyboard.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The menu entry names the launcher by its installed path (/usr/bin/quorrax), so the package
# is staged with DESTDIR under the real prefix rather than under a staging prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-vlgothic")

include(CPack)
