#pragma once
// The help and the user manual that ship with the program. Both are built
// from one HTML text: the help is that page, the manual the PDF printed
// from it when the program is built. They are kept in the program and
// written into the application folder when opened (again whenever the
// program carries a different copy), so that they open from wherever the
// program was started.
#include <QString>

class UserPrompt;
class WindowServices;

namespace HelpFiles {

// "help/index.html" and "manual.pdf" in the application folder.
QString contentPath();
QString manualPath();

// Writes the shipped copy to the application folder when the file there is
// missing or differs; returns the file's path, or "" when it could not be
// written (and no copy is there).
QString ensureContent();
QString ensureManual();

// Open the file with the desktop's program for it; false when it could
// not be written. Whether a program took it is not waited for.
bool openContent(WindowServices& windows);
bool openManual(WindowServices& windows);

// "&Content" and "&User Manual" of the Help menu: open the file, and when
// that fails say so in an "Error" box that tells where the file is. They
// return at once; the box comes when the desktop answers that no program
// took the file (the prompt must outlive that answer).
void showContent(UserPrompt& prompt, WindowServices& windows);
void showManual(UserPrompt& prompt, WindowServices& windows);

} // namespace HelpFiles
