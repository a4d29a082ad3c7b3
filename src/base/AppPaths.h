#pragma once
// The application folder: the data folder that holds the database, the web
// pages and the sample folders. Chosen by --data-dir, else $VELQUARIN_HOME,
// else the user's data location; created and seeded on first start.
#include <QString>
#include <QStringList>

namespace AppPaths {

// Picks the folder from the command line and the environment (does not
// create it). Returns the chosen folder.
QString init(const QStringList& arguments);
// Sets the folder directly (tests).
void setAppDir(const QString& dir);
QString appDir();
QString databasePath();       // data.db
// Whether path names the database or a file SQLite keeps beside it (-wal,
// -shm, -journal), by name (also before it exists) or as another link to
// the same file. Nothing but SQLite may open these: closing any descriptor
// of the database drops every lock SQLite holds on it.
bool isDatabaseFile(const QString& path);
QString backupPath();         // data-backup.db
QString wwwDir();             // www
QString filePath(const QString& name);
// Creates the folder and copies in what ships with the program when it is
// missing: the web pages and the sample folders. Returns false when the
// folder cannot be created.
bool seed();
// Where the single-instance lock lives.
QString runtimeDir();

} // namespace AppPaths
