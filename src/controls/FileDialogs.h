#pragma once
// Every file dialog of the program goes through here. The dialogs are the
// program's own (never the desktop's, which may run in this process and
// read whatever it lists), they tell files apart by name only and never
// open one to learn its kind or picture, and they refuse the database's
// files: closing any descriptor of the database, even one opened only to
// look at its first bytes, drops every lock SQLite holds on it, after which
// another program's read deletes its write-ahead log.
#include <QFileDialog>
#include <QString>
#include <functional>

class FileDialog : public QFileDialog {
public:
    // An open dialog, or with AcceptSave a save dialog that leaves the
    // question before replacing a file to the program.
    FileDialog(QWidget* parent, const QString& caption, const QString& folder, const QString& filters,
               AcceptMode mode = AcceptOpen);

    // Stays open, with a warning, when the choice is one of the database's
    // files.
    void accept() override;
};

// Where a dialog starts when its form names no folder: the user's documents
// folder, else the home folder.
QString documentsFolder();

// Adds to a dialog before it runs (a preview beside the list).
using PrepareFileDialog = std::function<void(FileDialog& dialog)>;

// The chosen file, or empty when the dialog was cancelled. The windows ask
// through their WindowServices (controls/WindowServices.h), whose program
// side these are.
QString chooseFileToOpen(QWidget* parent, const QString& caption, const QString& folder, const QString& filters,
                         const PrepareFileDialog& prepare = {});
QString chooseFileToSave(QWidget* parent, const QString& caption, const QString& folder, const QString& filters);
