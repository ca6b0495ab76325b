# SPDX-License-Identifier: MIT
# Runs at install time: writes the menu entry for the game under the prefix being installed
# to, and installs it like any other file, so that it is listed in the install manifest.
# Expects QUORRAX_DESKTOP_TEMPLATE, QUORRAX_DESKTOP_STAGING, QUORRAX_DESKTOP_NAME,
# QUORRAX_DESKTOP_FOLDER and QUORRAX_COMMAND (the command, from the prefix).

set(exec "${CMAKE_INSTALL_PREFIX}/${QUORRAX_COMMAND}")
# A path with characters that a desktop entry reserves is quoted: inside the quotes the
# characters " ` $ and \ take a backslash, and then the entry's own string escaping doubles
# every backslash once more.
if(exec MATCHES "[^-A-Za-z0-9_./+,:@=]")
    string(REPLACE "\\" "\\\\" exec "${exec}")
    string(REPLACE "\"" "\\\"" exec "${exec}")
    string(REPLACE "`" "\\`" exec "${exec}")
    string(REPLACE "$" "\\$" exec "${exec}")
    set(exec "\"${exec}\"")
    string(REPLACE "\\" "\\\\" exec "${exec}")
endif()
string(REPLACE "%" "%%" QUORRAX_DESKTOP_EXEC "${exec}")

configure_file("${QUORRAX_DESKTOP_TEMPLATE}" "${QUORRAX_DESKTOP_STAGING}/${QUORRAX_DESKTOP_NAME}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${QUORRAX_DESKTOP_FOLDER}" TYPE FILE
     FILES "${QUORRAX_DESKTOP_STAGING}/${QUORRAX_DESKTOP_NAME}")
