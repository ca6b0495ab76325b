// SPDX-License-Identifier: MIT
#include "qthost/dialogs/aboutaddresses.h"

#include "buildinfo.h"

#include <QDir>
#include <QFileInfo>

namespace quorrax {

namespace {

// The place, absolute, where it exists now; empty where it does not.
QString existingPlace(const QString &programFolder, const QString &place)
{
    if (place.isEmpty())
        return {};
    const QString absolute = QDir::cleanPath(QDir(programFolder).absoluteFilePath(place));
    return QFileInfo::exists(absolute) ? absolute : QString();
}

} // namespace

AddressSettings buildAddressSettings()
{
    return {QString::fromUtf8(build::homePage), QString::fromUtf8(build::contact),
            QString::fromUtf8(build::installedDocs), QString::fromUtf8(build::sourceReadme),
            QString::fromUtf8(build::builtManual)};
}

AboutAddresses aboutAddresses(const AddressSettings &settings, const QString &programFolder)
{
    const QString docs = existingPlace(programFolder, settings.installedDocs);
    const QString readme = existingPlace(programFolder, settings.sourceReadme);
    const QString page = existingPlace(programFolder, settings.builtManual);
    AboutAddresses shown{settings.homePage, settings.contact};
    if (shown.homePage.isEmpty())
        shown.homePage = !docs.isEmpty() ? docs : !readme.isEmpty() ? readme : QStringLiteral("quorrax(6)");
    // An installed manual is where man looks for it; a build's page is named by its path.
    if (shown.contact.isEmpty())
        shown.contact =
            QStringLiteral("man ") + (docs.isEmpty() && !page.isEmpty() ? page : QStringLiteral("6 quorrax"));
    return shown;
}

} // namespace quorrax
