#include "addressbook/ui/GroupAddDialog.h"

#include "controls/FormHelpers.h"
#include "addressbook/AddressGroups.h"
#include "base/TextUtil.h"
#include "base/UserPrompt.h"

#include <QLineEdit>
#include <QPushButton>

GroupAddDialog::GroupAddDialog(Database& db, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), db_(db), prompt_(prompt)
{
    setObjectName(QStringLiteral("frmGroupAdd"));
    setWindowTitle(QStringLiteral("New Group"));

    const NameEntryControls form = buildNameEntry(this, QStringLiteral("Group &Name:"), QStringLiteral("txtGrpNam"),
                                                 QStringLiteral("Group Name"), AddressGroups::kMaxNameLength);
    txtGrpNam = form.edit;
    cmdAdd = form.add;
    cmdCancel = form.cancel;
    connect(cmdAdd, &QPushButton::clicked, this, &GroupAddDialog::addClicked);
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
