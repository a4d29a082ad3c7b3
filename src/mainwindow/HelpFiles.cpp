#include "mainwindow/HelpFiles.h"

#include "base/AppPaths.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

std::function<bool(const QUrl&)>& opener()
{
    static std::function<bool(const QUrl&)> open = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return open;
}

// The shipped copy of name, from the program's resources.
QString shipped(const QString& name) { return QStringLiteral(":/seed/") + name; }

QString ensure(const QString& name)
{
    const QString target = AppPaths::filePath(name);
    QFile source(shipped(name));
    if (!source.open(QIODevice::ReadOnly))
        return QFileInfo::exists(target) ? target : QString();
    const QByteArray wanted = source.readAll();
    QFile current(target);
    if (current.open(QIODevice::ReadOnly) && current.size() == wanted.size() && current.readAll() == wanted)
        return target;
    current.close();
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(wanted) != wanted.size() || !out.commit())
        return QFileInfo::exists(target) ? target : QString();
    return target;
}

bool open(const QString& path)
{
    if (path.isEmpty())
        return false;
    return opener()(QUrl::fromLocalFile(path));
}

} // namespace

namespace HelpFiles {

QString contentPath() { return AppPaths::filePath(QStringLiteral("help/index.html")); }
QString manualPath() { return AppPaths::filePath(QStringLiteral("manual.pdf")); }

QString ensureContent() { return ensure(QStringLiteral("help/index.html")); }
QString ensureManual() { return ensure(QStringLiteral("manual.pdf")); }

bool openContent() { return open(ensureContent()); }
bool openManual() { return open(ensureManual()); }

void setOpener(std::function<bool(const QUrl&)> o)
{
    opener() = o ? std::move(o) : [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

} // namespace HelpFiles
