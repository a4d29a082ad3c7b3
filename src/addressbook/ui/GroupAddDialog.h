#pragma once
// The new-group dialog: a name of at most 40 characters, checked and stored
// when "Add" is pressed; the dialog stays open after a refusal.
#include <QDialog>

class Database;
class QLineEdit;
class QPushButton;
class UserPrompt;

class GroupAddDialog : public QDialog {
    Q_OBJECT
public:
    GroupAddDialog(Database& db, UserPrompt& prompt, QWidget* parent = nullptr);

    // The group created; empty when none was.
    QString createdGroup() const { return created_; }

    QLineEdit* txtGrpNam = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void addClicked();

    Database& db_;
    UserPrompt& prompt_;
    QString created_;
};
