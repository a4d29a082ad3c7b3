#include "addressbook/ui/RecipientPickers.h"

#include "addressbook/ui/CheckListDialog.h"
#include "base/UserPrompt.h"
#include "controls/WindowServices.h"

#include <QSet>

namespace {

void reportLoadError(UserPrompt& prompt, const QString& error)
{
    prompt.show(UserPrompt::Icon::Critical, QStringLiteral("Unable to open Address Book"), error,
                UserPrompt::Buttons::Ok);
}

} // namespace

bool pickAddresses(QWidget* parent, Database& db, UserPrompt& prompt, WindowServices& windows, RecipientPicks& picks)
{
    CheckListDialog dialog({QStringLiteral("frmPickAddress"), QStringLiteral("Address List"),
                            {QStringLiteral("Name"), QStringLiteral("Number")}, QStringLiteral("Addresses"),
                            QStringLiteral("OK"), QStringLiteral("cmdOK")},
                           parent);
    const AddressList choices = recipientChoices(db);
    if (!choices.ok)
        reportLoadError(prompt, choices.error);
    QSet<QString> earlier;
    for (const PickedRecipient& r : picks.asRecipients)
        earlier.insert(r.key);
    for (const AddressListRow& row : choices.rows)
        dialog.addRow({row.name, row.number}, row.number, earlier.contains(row.number));
    if (windows.runModal(dialog) != QDialog::Accepted)
        return false;
    // An entry picked earlier and deleted since is not listed, so it is not
    // picked any more.
    picks.asRecipients.clear();
    for (const QString& number : dialog.tickedTags())
        picks.asRecipients.append({number, number});
    return true;
}

bool pickGroups(QWidget* parent, Database& db, UserPrompt& prompt, WindowServices& windows, RecipientPicks& picks)
{
    CheckListDialog dialog({QStringLiteral("frmPickGroup"), QStringLiteral("Group List"), {QStringLiteral("Name")},
                            QStringLiteral("Groups"), QStringLiteral("OK"), QStringLiteral("cmdOK")},
                           parent);
    bool ok = true;
    QString error;
    const QStringList groups = groupChoices(db, &ok, &error);
    if (!ok)
        reportLoadError(prompt, error);
    for (const QString& g : groups)
        dialog.addRow({g}, g, picks.asPickedGroups.contains(g, Qt::CaseInsensitive));
    if (windows.runModal(dialog) != QDialog::Accepted)
        return false;
    picks.asPickedGroups = dialog.tickedTags();
    return true;
}
