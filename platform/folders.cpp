#include "platform/folders.h"

#include "platform/version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

QString musicFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty())
        return {};
    if (!QFileInfo(music).isDir() && !QDir().mkpath(music))
        return {};
    return canonicalPath(music);
}

QString programFolder()
{
    return canonicalPath(QCoreApplication::applicationDirPath());
}

QString canonicalPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(p);
}

bool createDirectory(const QString& path)
{
    return !path.isEmpty() && QDir().mkdir(path);
}

bool isDirectory(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString findExecutable(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

QString versionText()
{
    return QStringLiteral(KESTREL_VERSION_TEXT);
}

} // namespace platform
