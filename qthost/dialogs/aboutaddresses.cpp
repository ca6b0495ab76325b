// SPDX-License-Identifier: MIT
#include "qthost/dialogs/aboutaddresses.h"

#include "buildinfo.h"

#include <QDir>
#include <QFileInfo>

namespace quorrax {

namespace {

// The installed place, absolute, where it exists beside the program.
QString installedPlace(const QString &programFolder, const QString &fromProgram)
{
    if (fromProgram.isEmpty())
        return {};
    const QString place = QDir::cleanPath(QDir(programFolder).absoluteFilePath(fromProgram));
    return QFileInfo::exists(place) ? place : QString();
}

} // namespace

AddressSettings buildAddressSettings()
{
    return {QString::fromUtf8(build::homePage),        QString::fromUtf8(build::contact),
            QString::fromUtf8(build::docsFromProgram), QString::fromUtf8(build::manualFromProgram),
            QString::fromUtf8(build::docsElsewhere),   QString::fromUtf8(build::manualElsewhere)};
}

AboutAddresses aboutAddresses(const AddressSettings &settings, const QString &programFolder)
{
    AboutAddresses shown{settings.homePage, settings.contact};
    if (shown.homePage.isEmpty()) {
        const QString docs = installedPlace(programFolder, settings.docsFromProgram);
        shown.homePage = docs.isEmpty() ? settings.docsElsewhere : docs;
    }
    if (shown.contact.isEmpty()) {
        const QString manual = installedPlace(programFolder, settings.manualFromProgram);
        shown.contact = manual.isEmpty() ? settings.manualElsewhere : QStringLiteral("man ") + manual;
    }
    return shown;
}

} // namespace quorrax
