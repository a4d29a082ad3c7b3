#pragma once
// The merge-field dialog (frmInsertField, "Insert Address Field"): eight
// options, one per address-book field, {fn} chosen at first. Insert puts the
// chosen code into a text box in place of its selection, or at the caret;
// Cancel changes nothing. The Outbox fills the codes per recipient.
#include <QDialog>
#include <QString>
#include <array>
#include <optional>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class WindowServices;

class InsertFieldDialog : public QDialog {
    Q_OBJECT
public:
    explicit InsertFieldDialog(QWidget* parent = nullptr);

    // The code of the option chosen.
    QString code() const;
    int chosen() const { return chosen_; }
    // Clicking an option.
    void choose(int index);

    std::array<QRadioButton*, 8> optField{};
    QPushButton* cmdInsert = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    int chosen_;
};

// Runs the dialog modally over parent: the code chosen with Insert, or
// nothing after Cancel.
std::optional<QString> pickMergeField(QWidget* parent, WindowServices& windows);

// The field buttons of the text boxes: picks a code and puts it into the
// box in place of its selection (at the caret when nothing is selected),
// then gives the focus back to the box. False when cancelled.
bool insertMergeField(QWidget* parent, QPlainTextEdit* target, WindowServices& windows);
bool insertMergeField(QWidget* parent, QLineEdit* target, WindowServices& windows);
