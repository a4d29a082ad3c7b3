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

bool open(WindowServices& windows, const QString& path, const WindowServices::OpenOutcome& outcome = {})
{
    if (path.isEmpty())
        return false;
    windows.openUrl(QUrl::fromLocalFile(path), outcome);
    return true;
}

// Opens the file at path (wanted: where it belongs); says why it did not,
// at once when it could not be written, else when the desktop answers that
// no program took it.
void show(UserPrompt& prompt, WindowServices& windows, const QString& path, const QString& wanted,
          const QString& what, const QString& shows)
{
    if (path.isEmpty()) {
        prompt.error(QStringLiteral("Unable to write the %1 to:\n%2").arg(what, QDir::toNativeSeparators(wanted)));
        return;
    }
    const QString failure = QStringLiteral("Unable to open the %1: no program to show %2 is set up.\n\n"
                                           "The file is:\n%3")
                                .arg(what, shows, QDir::toNativeSeparators(path));
    open(windows, path, [&prompt, failure](bool opened) {
        if (!opened)
            prompt.error(failure);
    });
}

} // namespace

namespace HelpFiles {

QString contentPath() { return AppPaths::filePath(QStringLiteral("help/index.html")); }
QString manualPath() { return AppPaths::filePath(QStringLiteral("manual.pdf")); }

QString ensureContent() { return ensure(QStringLiteral("help/index.html")); }
QString ensureManual() { return ensure(QStringLiteral("manual.pdf")); }

bool openContent(WindowServices& windows) { return open(windows, ensureContent()); }
bool openManual(WindowServices& windows) { return open(windows, ensureManual()); }

void showContent(UserPrompt& prompt, WindowServices& windows)
{
    show(prompt, windows, ensureContent(), contentPath(), QStringLiteral("help"), QStringLiteral("web pages"));
}

void showManual(UserPrompt& prompt, WindowServices& windows)
{
    show(prompt, windows, ensureManual(), manualPath(), QStringLiteral("user manual"), QStringLiteral("PDF files"));
}

} // namespace HelpFiles
