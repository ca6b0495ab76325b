# Runs at install time: writes the menu entry for the launcher under the prefix being
# installed to, and installs it like any other file, so that it is listed in the install
# manifest. Expects QUORRAX_DESKTOP_TEMPLATE and QUORRAX_DESKTOP_STAGING.

set(exec "${CMAKE_INSTALL_PREFIX}/bin/quorrax")
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

configure_file("${QUORRAX_DESKTOP_TEMPLATE}" "${QUORRAX_DESKTOP_STAGING}/quorrax.desktop" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE
     FILES "${QUORRAX_DESKTOP_STAGING}/quorrax.desktop")
