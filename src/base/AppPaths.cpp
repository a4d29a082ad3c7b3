#include "base/AppPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {
QString g_appDir;
}

namespace AppPaths {

QString init(const QStringList& arguments)
{
    QString dir;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--data-dir") && i + 1 < arguments.size()) {
            dir = arguments[i + 1];
            break;
        }
        if (a.startsWith(QLatin1String("--data-dir="))) {
            dir = a.mid(11);
            break;
        }
    }
    if (dir.isEmpty())
        dir = qEnvironmentVariable("VELQUARIN_HOME");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/share/Velquarin");
    g_appDir = QDir(dir).absolutePath();
    return g_appDir;
}

void setAppDir(const QString& dir) { g_appDir = QDir(dir).absolutePath(); }

QString appDir()
{
    if (g_appDir.isEmpty())
        init({});
    return g_appDir;
}

QString filePath(const QString& name) { return QDir(appDir()).filePath(name); }
QString databasePath() { return filePath(QStringLiteral("data.db")); }
bool isDatabaseFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QString db = databasePath();
    const QStringList names = {db, db + QStringLiteral("-wal"), db + QStringLiteral("-shm"),
                               db + QStringLiteral("-journal")};
    // The folders resolved (no file is opened for it), the names compared.
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    const QString dbFolder = QFileInfo(QFileInfo(db).absolutePath()).canonicalFilePath();
    if (!folder.isEmpty() && folder == dbFolder)
        for (const QString& name : names)
            if (info.fileName() == QFileInfo(name).fileName())
                return true;
    // A link of another name to one of them.
    struct stat target {};
    if (::stat(QFile::encodeName(path).constData(), &target) != 0)
        return false;
    for (const QString& name : names) {
        struct stat own {};
        if (::stat(QFile::encodeName(name).constData(), &own) == 0 && own.st_dev == target.st_dev &&
            own.st_ino == target.st_ino)
            return true;
    }
    return false;
}

QString backupPath() { return filePath(QStringLiteral("data-backup.db")); }
QString wwwDir() { return filePath(QStringLiteral("www")); }

bool seed()
{
    QDir root(appDir());
    if (!root.mkpath(QStringLiteral(".")))
        return false;
    // Everything below :/seed is copied once: pages, samples, sounds.
    QDirIterator it(QStringLiteral(":/seed"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString rel = src.mid(QStringLiteral(":/seed/").size());
        const QString dst = root.filePath(rel);
        if (QFile::exists(dst))
            continue;
        root.mkpath(QFileInfo(dst).path());
        if (QFile::copy(src, dst))
            QFile::setPermissions(dst, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                           QFile::ReadOther);
    }
    for (const char* sub : {"www", "RingTones", "Logos", "Pictures"})
        root.mkpath(QLatin1String(sub));
    return true;
}

QString runtimeDir()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

} // namespace AppPaths
