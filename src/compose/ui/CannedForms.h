#pragma once
// Canned messages in the send form: the dialogs that add one
// (frmCannedAdd, "New Canned Message") and change the text of one
// (frmCannedEdit, "Edit Canned Message"), and CannedList, which serves the
// form's canned list and its New, Edit and Delete buttons. A chosen, added
// or changed text goes into the form's message box.
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>

#include "compose/CannedMessages.h"
#include "compose/ui/InsertFieldDialog.h"

class Database;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class UserPrompt;
class WindowServices;

class CannedMessageDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Edit };
    // For Edit, title is the canned message changed; its text is read at
    // once (a read failure is reported and leaves the box empty).
    // The field dialog runs through windows.
    CannedMessageDialog(Mode mode, Database& db, UserPrompt& prompt, WindowServices& windows,
                        const QString& title = {}, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    // Save (Add) or Update (Edit): checks, writes and closes; stays open
    // after a refusal or a database failure.
    void save();
    // The field button: a merge-field code into the message box.
    void insertField();
    // The text written, for the send form's message box.
    QString savedText() const { return savedText_; }

    QLineEdit* txtTitle = nullptr;
    QPlainTextEdit* txtMessage = nullptr;
    QLabel* lblCount = nullptr;
    // cmdInsertField in the Add dialog, Command1 in the Edit dialog.
    QPushButton* cmdInsertField = nullptr;
    // cmdSave ("Save") or cmdUpdate ("Update").
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;

    static QString retrieveFailedText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textChanged();

    Mode mode_;
    compose::CannedMessages canned_;
    UserPrompt& prompt_;
    WindowServices& windows_;
    QString title_;
    QString savedText_;
    bool trimming_ = false;
};

// The controls of a send form that CannedList serves.
struct CannedListControls {
    QComboBox* list = nullptr;       // cboCannedMessage
    QPushButton* cmdNew = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPlainTextEdit* target = nullptr; // the form's txtMessage
};

class CannedList : public QObject {
    Q_OBJECT
public:
    // Connects the controls and fills the list. Belongs to the list's
    // window. The Add and Edit dialogs run through windows.
    CannedList(const CannedListControls& controls, Database& db, UserPrompt& prompt, WindowServices& windows);

    // Fills the list: "Select Canned Message", then every title in order;
    // entry 0 chosen.
    void populate();
    // Choosing an entry of the list: its text into the message box (empty
    // when the canned message is gone); entry 0 changes nothing.
    void choose(int index);
    // The New, Edit and Delete buttons.
    void newCanned();
    void editCanned();
    void deleteCanned();

    static QString firstEntryText() { return QStringLiteral("Select Canned Message"); }

private:
    CannedListControls c_;
    QPointer<QComboBox> list_;
    QPointer<QPlainTextEdit> target_;
    Database& db_;
    UserPrompt& prompt_;
    WindowServices& windows_;
};

// The send form's canned list, New, Edit and Delete, served from db.
CannedList* installCannedList(const CannedListControls& controls, Database& db, UserPrompt& prompt,
                              WindowServices& windows);
