#pragma once
// The new-folder dialog of the Inbox (frmInboxAdd) and of Sent Items
// (frmSentItemsAdd): a name of at most 40 characters, checked and stored
// when "Add" is pressed; the dialog stays open after a refusal.
#include <QDialog>

#include "folders/FolderNodes.h"

class Database;
class QLineEdit;
class QPushButton;
class UserPrompt;

class FolderAddDialog : public QDialog {
    Q_OBJECT
public:
    // family is NodeKind::Inbox or NodeKind::SentItems.
    FolderAddDialog(NodeKind family, Database& db, UserPrompt& prompt, QWidget* parent = nullptr);

    NodeKind family() const { return family_; }
    // The key of the folder created ("Inbox" or "SentItems" and the name);
    // empty when none was.
    QString createdKey() const { return created_; }

    QLineEdit* txtFolderNam = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    void addClicked();

    NodeKind family_;
    Database& db_;
    UserPrompt& prompt_;
    QString created_;
};
