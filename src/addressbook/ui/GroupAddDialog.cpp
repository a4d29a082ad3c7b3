#include "addressbook/ui/GroupAddDialog.h"

#include "addressbook/AddressGroups.h"
#include "base/TextUtil.h"
#include "base/UserPrompt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

GroupAddDialog::GroupAddDialog(Database& db, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), db_(db), prompt_(prompt)
{
    setObjectName(QStringLiteral("frmGroupAdd"));
    setWindowTitle(QStringLiteral("New Group"));

    auto* label = new QLabel(QStringLiteral("Group &Name:"), this);
    txtGrpNam = new QLineEdit(this);
    txtGrpNam->setObjectName(QStringLiteral("txtGrpNam"));
    txtGrpNam->setMaxLength(AddressGroups::kMaxNameLength);
    txtGrpNam->setAccessibleName(QStringLiteral("Group Name"));
    txtGrpNam->setMinimumWidth(240);
    label->setBuddy(txtGrpNam);

    cmdAdd = new QPushButton(QStringLiteral("Add"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdAdd->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdAdd, &QPushButton::clicked, this, &GroupAddDialog::addClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(txtGrpNam, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setTabOrder(txtGrpNam, cmdAdd);
    setTabOrder(cmdAdd, cmdCancel);
    txtGrpNam->setFocus();
}

void GroupAddDialog::addClicked()
{
    txtGrpNam->setText(trimBlanks(txtGrpNam->text()));
    const AddressGroups::AddResult r = AddressGroups(db_).addGroup(txtGrpNam->text());
    switch (r.outcome) {
    case AddressGroups::AddOutcome::Added:
        created_ = r.name;
        accept();
        return;
    case AddressGroups::AddOutcome::Failed:
        prompt_.databaseError(AddressGroups::messageFor(r.outcome));
        break;
    case AddressGroups::AddOutcome::Exists:
        txtGrpNam->setFocus();
        prompt_.warning(AddressGroups::messageFor(r.outcome));
        break;
    case AddressGroups::AddOutcome::Blank:
    case AddressGroups::AddOutcome::Numeric:
        prompt_.warning(AddressGroups::messageFor(r.outcome));
        break;
    }
    txtGrpNam->setFocus();
    txtGrpNam->selectAll();
}
