#include "folders/ui/FolderAddDialog.h"

#include "base/UserPrompt.h"
#include "folders/FolderActions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FolderAddDialog::FolderAddDialog(NodeKind family, Database& db, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), family_(family == NodeKind::SentItems || family == NodeKind::SentFolder ? NodeKind::SentItems
                                                                                                : NodeKind::Inbox),
      db_(db), prompt_(prompt)
{
    setObjectName(family_ == NodeKind::Inbox ? QStringLiteral("frmInboxAdd") : QStringLiteral("frmSentItemsAdd"));
    setWindowTitle(QStringLiteral("New Folder"));

    auto* label = new QLabel(QStringLiteral("Folder &Name:"), this);
    txtFolderNam = new QLineEdit(this);
    txtFolderNam->setObjectName(QStringLiteral("txtFolderNam"));
    txtFolderNam->setMaxLength(kMaxFolderNameLength);
    txtFolderNam->setAccessibleName(QStringLiteral("Folder Name"));
    txtFolderNam->setMinimumWidth(240);
    label->setBuddy(txtFolderNam);

    cmdAdd = new QPushButton(QStringLiteral("Add"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdAdd->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdAdd, &QPushButton::clicked, this, &FolderAddDialog::addClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(txtFolderNam, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setTabOrder(txtFolderNam, cmdAdd);
    setTabOrder(cmdAdd, cmdCancel);
    txtFolderNam->setFocus();
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
