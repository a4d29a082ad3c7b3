#include "mainwindow/ToolbarKeys.h"

namespace {

// The shortcuts of mail programs: Ctrl+N a new message, Ctrl+R reply,
// Ctrl+F forward, Ctrl+S save (export), Ctrl+E send again; in the address
// and SIM lists Insert adds, F2 edits and F5 reads again. Delete is the
// lists' own key.
const QKeySequence kNew(Qt::CTRL | Qt::Key_N);
const QKeySequence kExport(Qt::CTRL | Qt::Key_S);
const QKeySequence kAdd(Qt::Key_Insert);
const QKeySequence kEdit(Qt::Key_F2);
const QKeySequence kDelete(Qt::Key_Delete);

// The minimise key is "minimize" on the three message toolbars and
// "Minimise" on the other three; both spellings are kept as they are.
const std::vector<ToolbarButton> kInbox = {
    {"sendsms", "New", "Send a new message", "mailnew", kNew},
    {"delete", "Delete", "Delete the selected messages", "trash", kDelete, true},
    {"reply", "Reply", "Reply to the sender", "mailold", QKeySequence(Qt::CTRL | Qt::Key_R)},
    {"forward", "Forward", "Forward the selected message", "mailsend", QKeySequence(Qt::CTRL | Qt::Key_F)},
    {"sender", "Add Sender", "Add the sender to the Address Book", "address"},
    {"exportfile", "Export", "Export the selected messages to a text file", "save", kExport},
    {"minimize", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kOutbox = {
    {"sendsms", "New", "Send a new message", "mailnew", kNew},
    {"delete", "Delete", "Delete the selected messages", "trash", kDelete, true},
    {"addressee", "Add Addressee", "Add the addressee to the Address Book", "address"},
    {"minimize", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kSentItems = {
    {"sendsms", "New", "Send a new message", "mailnew", kNew},
    {"delete", "Delete", "Delete the selected messages", "trash", kDelete, true},
    {"resend", "Resend", "Queue the selected messages again", "mailwait", QKeySequence(Qt::CTRL | Qt::Key_E)},
    {"addressee", "Add Addressee", "Add the addressee to the Address Book", "address"},
    {"exportfile", "Export", "Export the selected messages to a text file", "save", kExport},
    {"minimize", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kAddress = {
    {"NewMessage", "New Message", "Send a new message", "mailnew", kNew},
    {"AddressNew", "New", "Add a new address", "address", kAdd},
    {"AddressDelete", "Delete", "Delete the selected addresses", "trash", kDelete, true},
    {"AddressEdit", "Edit", "Edit the selected address", "edit", kEdit},
    {"AddressFileImport", "Import", "Import addresses from a file", "open", QKeySequence(Qt::CTRL | Qt::Key_O)},
    {"AddressFileExport", "Export", "Export addresses to a text file", "save", kExport},
    {"AddressSIMExport", "To SIM", "Copy the selected addresses to the SIM card", "simclose"},
    {"Minimise", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kGroup = {
    {"NewMessage", "New Message", "Send a new message", "mailnew", kNew},
    {"GroupAdd", "Add Members", "Add addresses to this group", "group", kAdd},
    {"GroupDelete", "Remove", "Remove the selected members from this group", "trash", kDelete, true},
    {"GroupEdit", "Edit", "Edit the selected member", "edit", kEdit},
    {"GroupFileExport", "Export", "Export this group to a text file", "save", kExport},
    {"GroupSIMExport", "To SIM", "Copy the selected members to the SIM card", "simclose"},
    {"Minimise", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kSim = {
    {"NewMessage", "New Message", "Send a new message", "mailnew", kNew},
    {"SIMAdd", "New", "Add an entry to the SIM card", "simclose", kAdd},
    {"SIMDelete", "Delete", "Delete the selected SIM entries", "trash", kDelete, true},
    {"SIMEdit", "Edit", "Edit the selected SIM entry", "edit", kEdit},
    {"SIMRefresh", "Refresh", "Read the SIM phonebook again", "refresh", QKeySequence(Qt::Key_F5)},
    {"SIMClear", "Clear", "Delete every entry of the SIM card", "clear"},
    {"SIMImport", "To Address Book", "Copy the selected SIM entries to the Address Book", "address"},
    {"Minimise", "Minimise", "Minimise to the system tray", "minimise"},
};

} // namespace

QString toolbarTooltip(const ToolbarButton& button)
{
    if (button.shortcut.isEmpty())
        return button.tooltip;
    return button.tooltip + QStringLiteral(" (") + button.shortcut.toString(QKeySequence::NativeText) +
           QLatin1Char(')');
}

const std::vector<ToolbarButton>& toolbarButtons(ToolbarId toolbar)
{
    switch (toolbar) {
    case ToolbarId::Inbox: return kInbox;
    case ToolbarId::Outbox: return kOutbox;
    case ToolbarId::SentItems: return kSentItems;
    case ToolbarId::Address: return kAddress;
    case ToolbarId::Group: return kGroup;
    case ToolbarId::SIM: return kSim;
    }
    return kInbox;
}

QString toolbarName(ToolbarId toolbar)
{
    switch (toolbar) {
    case ToolbarId::Inbox: return QStringLiteral("tolInbox");
    case ToolbarId::Outbox: return QStringLiteral("tolOutbox");
    case ToolbarId::SentItems: return QStringLiteral("tolSentitems");
    case ToolbarId::Address: return QStringLiteral("tolAddress");
    case ToolbarId::Group: return QStringLiteral("tolGroup");
    case ToolbarId::SIM: return QStringLiteral("tolSIM");
    }
    return {};
}

const std::vector<ToolbarId>& allToolbars()
{
    static const std::vector<ToolbarId> all = {ToolbarId::Address, ToolbarId::Group,     ToolbarId::Inbox,
                                               ToolbarId::Outbox,  ToolbarId::SentItems, ToolbarId::SIM};
    return all;
}
