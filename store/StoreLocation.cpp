#include "store/StoreLocation.h"

#include "store/Database.h"

#include <QDir>
#include <QFileInfo>

#ifndef VORBEL_STORE_IN_CURRENT_FOLDER
#error "VORBEL_STORE_IN_CURRENT_FOLDER is set on this file by store/CMakeLists.txt"
#endif

namespace vorbel {

StoreFolder configuredStoreFolder()
{
    return VORBEL_STORE_IN_CURRENT_FOLDER ? StoreFolder::Current : StoreFolder::UserData;
}

QString userStoreFolder()
{
    // The base directory specification says a relative XDG_DATA_HOME is invalid and to be ignored.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    const QString base =
        QDir::isAbsolutePath(dataHome) ? dataHome : QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/vorbel"));
}

QString storeFilePath(StoreFolder rule)
{
    const QString name = QString::fromLatin1(Database::FileName);
    if (rule == StoreFolder::Current || QFileInfo(name).isFile())
        return name;

    const QString folder = userStoreFolder();
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).path());
        QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return folder + QLatin1Char('/') + name;
}

} // namespace vorbel
