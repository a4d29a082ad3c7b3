#pragma once
// The SIM phonebook's forms: the three modal progress forms the activity
// cycle opens (read, clear, write), the entry dialogs that post an edit or
// an add to the cycle, and the import into the address book.
#include <QDialog>

#include "sim/SimPhonebook.h"

class Database;
class QComboBox;
class QLineEdit;
class QPushButton;
class UserPrompt;
struct EngineState;

// Each shows its form modally over parent, runs the transfer once the form
// is shown, and returns its outcome when the form has closed. Cancel (the
// button, Esc, the window's close button) ends the transfer at its next
// step. The caller tells the user what the outcome says.
SimPhonebook::Outcome runSimReadForm(SimPhonebook& phonebook, QWidget* parent);
SimPhonebook::Outcome runSimClearForm(SimPhonebook& phonebook, QWidget* parent);
SimPhonebook::Outcome runSimWriteForm(SimPhonebook& phonebook, const QList<SimEntry>& entries, QWidget* parent);

// frmSIMEdit and frmSIMAdd: a name and a number, held to the SIM's limits
// (none before the SIM was read). Save posts the entry in the request
// globals and raises the edit or add request; the edit keeps the location
// it was opened for.
class SimEntryDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Edit, Add };
    SimEntryDialog(Mode mode, EngineState& state, UserPrompt& prompt, const SimEntry& entry,
                   QWidget* parent = nullptr);

    QLineEdit* nameEdit() const { return txtName_; }
    QLineEdit* numberEdit() const { return txtNumber_; }
    QPushButton* saveButton() const { return cmdSave_; }
    QPushButton* cancelButton() const { return cmdCancel_; }

public slots:
    void accept() override;

private:
    Mode mode_;
    EngineState& st_;
    UserPrompt& prompt_;
    int index_;
    QLineEdit* txtName_;
    QLineEdit* txtNumber_;
    QPushButton* cmdSave_;
    QPushButton* cmdCancel_;
};

// frmSIMImport: copies the given SIM entries into the address book,
// optionally into a group as well. A failure keeps the dialog open.
class SimImportDialog : public QDialog {
    Q_OBJECT
public:
    SimImportDialog(Database& db, UserPrompt& prompt, const QList<SimEntry>& entries, QWidget* parent = nullptr);

    QComboBox* groupCombo() const { return cboGroup_; }
    QPushButton* importButton() const { return cmdImport_; }
    QPushButton* cancelButton() const { return cmdCancel_; }
    // The caption of the combo's first entry, which stands for no group.
    static QString noGroupCaption() { return QStringLiteral("(No group)"); }

public slots:
    void accept() override;

private:
    Database& db_;
    UserPrompt& prompt_;
    QList<SimEntry> entries_;
    QComboBox* cboGroup_;
    QPushButton* cmdImport_;
    QPushButton* cmdCancel_;
};
