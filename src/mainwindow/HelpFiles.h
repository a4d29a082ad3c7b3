#pragma once
// The help and the user manual that ship with the program. Both are built
// from one HTML text: the help is that page, the manual the PDF printed
// from it when the program is built. They are kept in the program and
// written into the application folder when opened (again whenever the
// program carries a different copy), so that they open from wherever the
// program was started.
#include <QString>
#include <QUrl>
#include <functional>

namespace HelpFiles {

// "help/index.html" and "manual.pdf" in the application folder.
QString contentPath();
QString manualPath();

// Writes the shipped copy to the application folder when the file there is
// missing or differs; returns the file's path, or "" when it could not be
// written (and no copy is there).
QString ensureContent();
QString ensureManual();

// "&Content" and "&User Manual" of the Help menu: open the file with the
// desktop's program for it. The result is not reported, as a desktop
// without a viewer has nothing to say.
bool openContent();
bool openManual();

// How files are opened; tests replace it (nullptr restores the desktop's).
void setOpener(std::function<bool(const QUrl&)> opener);

} // namespace HelpFiles
