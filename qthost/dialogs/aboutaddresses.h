// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace quorrax {

// What the build knows of the game's addresses and documentation (buildinfo.h).
struct AddressSettings {
    QString homePage, contact;         // set by whoever publishes the game, or empty
    QString installedDocs;             // absolute, or from the program's folder
    QString sourceReadme, builtManual; // a build's own files, or empty
};

// The texts of the About box's two address boxes.
struct AboutAddresses {
    QString homePage, contact;
};

AddressSettings buildAddressSettings();

// A publisher's addresses where set; else what a player can use instead, and that exists
// where the program runs: the installed documentation's folder and the manual's command,
// or a build's README and manual page while they are there, else the manual by its name.
AboutAddresses aboutAddresses(const AddressSettings &settings, const QString &programFolder);

} // namespace quorrax
