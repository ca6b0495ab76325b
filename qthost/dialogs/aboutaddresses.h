// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace quorrax {

// What the build knows of the game's addresses and documentation (buildinfo.h).
struct AddressSettings {
    QString homePage, contact;                  // set by whoever publishes the game, or empty
    QString docsFromProgram, manualFromProgram; // installed places, from the program's folder
    QString docsElsewhere, manualElsewhere;     // named when those are not there
};

// The texts of the About box's two address boxes.
struct AboutAddresses {
    QString homePage, contact;
};

AddressSettings buildAddressSettings();

// A publisher's addresses where set; else what a player can use instead, and that is true
// where the program runs: the folder with the README and the command that opens the manual.
AboutAddresses aboutAddresses(const AddressSettings &settings, const QString &programFolder);

} // namespace quorrax
