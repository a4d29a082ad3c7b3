#include "folders/ui/FolderAddDialog.h"

#include "controls/FormHelpers.h"
#include "base/UserPrompt.h"
#include "folders/FolderActions.h"

#include <QLineEdit>
#include <QPushButton>

FolderAddDialog::FolderAddDialog(NodeKind family, Database& db, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), family_(family == NodeKind::SentItems || family == NodeKind::SentFolder ? NodeKind::SentItems
                                                                                                : NodeKind::Inbox),
      db_(db), prompt_(prompt)
{
    setObjectName(family_ == NodeKind::Inbox ? QStringLiteral("frmInboxAdd") : QStringLiteral("frmSentItemsAdd"));
    setWindowTitle(QStringLiteral("New Folder"));

    const NameEntryControls form = buildNameEntry(this, QStringLiteral("Folder &Name:"), QStringLiteral("txtFolderNam"),
                                                 QStringLiteral("Folder Name"), kMaxFolderNameLength);
    txtFolderNam = form.edit;
    cmdAdd = form.add;
    cmdCancel = form.cancel;
    connect(cmdAdd, &QPushButton::clicked, this, &FolderAddDialog::addClicked);
}

void FolderAddDialog::addClicked()
{
    const FolderAddResult r = addUserFolder(db_, family_, txtFolderNam->text());
    switch (r.outcome) {
    case FolderAddOutcome::Added:
        created_ = r.key;
        accept();
        return;
    case FolderAddOutcome::Failed:
        prompt_.databaseError(folderAddMessage(r.outcome));
        break;
    case FolderAddOutcome::Blank:
    case FolderAddOutcome::Numeric:
    case FolderAddOutcome::Exists:
        prompt_.warning(folderAddMessage(r.outcome));
        break;
    }
    txtFolderNam->setFocus();
    txtFolderNam->selectAll();
}
