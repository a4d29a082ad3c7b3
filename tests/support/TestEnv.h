#pragma once
// Helpers shared by the tests: the per-process temporary folders, fresh
// databases, the scripted prompt, and waiting on the event loop.
#include <QString>
#include <functional>
#include <memory>

class Database;
#include "support/ScriptedPrompt.h"


namespace testenv {

void setRoot(const QString& path);
// The process's temporary root; XDG_CONFIG_HOME, XDG_RUNTIME_DIR and
// VELQUARIN_HOME point below it.
QString root();
// A new empty folder below the root.
QString newDir(const QString& hint = QStringLiteral("dir"));

void setPrompt(ScriptedPrompt* prompt);
// The scripted prompt installed for the process; reset() before use.
ScriptedPrompt& prompt();

// A fresh database created from the shipped schema in a new folder, which
// becomes the data folder. Closed on destruction.
class FreshDb {
public:
    FreshDb();
    ~FreshDb();
    Database& db() { return *db_; }
    QString path() const { return path_; }
    QString dir() const { return dir_; }
private:
    QString dir_, path_;
    std::unique_ptr<Database> db_;
};

// Runs the event loop until pred() holds or ms pass; returns pred().
bool waitUntil(const std::function<bool()>& pred, int ms = 5000);

// Whether this process holds a POSIX lock on the file (SQLite's locks on a
// database it has open), as /proc/locks shows it to every process.
bool holdsLock(const QString& path);

} // namespace testenv
