#include "mainwindow/HelpFiles.h"

#include "base/AppPaths.h"
#include "base/UserPrompt.h"
#include "controls/WindowServices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {

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

bool open(WindowServices& windows, const QString& path)
{
    if (path.isEmpty())
        return false;
    return windows.openUrl(QUrl::fromLocalFile(path));
}

// Opens the file at path (wanted: where it belongs); says why it did not.
bool show(UserPrompt& prompt, WindowServices& windows, const QString& path, const QString& wanted,
          const QString& what, const QString& shows)
{
    if (open(windows, path))
        return true;
    if (path.isEmpty())
        prompt.error(QStringLiteral("Unable to write the %1 to:\n%2").arg(what, QDir::toNativeSeparators(wanted)));
    else
        prompt.error(QStringLiteral("Unable to open the %1: no program to show %2 is set up.\n\n"
                                    "The file is:\n%3")
                         .arg(what, shows, QDir::toNativeSeparators(path)));
    return false;
}

} // namespace

namespace HelpFiles {

QString contentPath() { return AppPaths::filePath(QStringLiteral("help/index.html")); }
QString manualPath() { return AppPaths::filePath(QStringLiteral("manual.pdf")); }

QString ensureContent() { return ensure(QStringLiteral("help/index.html")); }
QString ensureManual() { return ensure(QStringLiteral("manual.pdf")); }

bool openContent(WindowServices& windows) { return open(windows, ensureContent()); }
bool openManual(WindowServices& windows) { return open(windows, ensureManual()); }

bool showContent(UserPrompt& prompt, WindowServices& windows)
{
    return show(prompt, windows, ensureContent(), contentPath(), QStringLiteral("help"), QStringLiteral("web pages"));
}

bool showManual(UserPrompt& prompt, WindowServices& windows)
{
    return show(prompt, windows, ensureManual(), manualPath(), QStringLiteral("user manual"),
                QStringLiteral("PDF files"));
}

} // namespace HelpFiles
