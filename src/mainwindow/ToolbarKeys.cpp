#include "mainwindow/ToolbarKeys.h"

namespace {

// The minimise key is "minimize" on the three message toolbars and
// "Minimise" on the other three; both spellings are kept as they are.
const std::vector<ToolbarButton> kInbox = {
    {"sendsms", "New", "Send a new message", "mailnew"},
    {"delete", "Delete", "Delete the selected messages", "trash"},
    {"reply", "Reply", "Reply to the sender", "mailold"},
    {"forward", "Forward", "Forward the selected message", "mailsend"},
    {"sender", "Add Sender", "Add the sender to the Address Book", "address"},
    {"exportfile", "Export", "Export the selected messages to a text file", "save"},
    {"minimize", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kOutbox = {
    {"sendsms", "New", "Send a new message", "mailnew"},
    {"delete", "Delete", "Delete the selected messages", "trash"},
    {"addressee", "Add Addressee", "Add the addressee to the Address Book", "address"},
    {"minimize", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kSentItems = {
    {"sendsms", "New", "Send a new message", "mailnew"},
    {"delete", "Delete", "Delete the selected messages", "trash"},
    {"resend", "Resend", "Queue the selected messages again", "mailwait"},
    {"addressee", "Add Addressee", "Add the addressee to the Address Book", "address"},
    {"exportfile", "Export", "Export the selected messages to a text file", "save"},
    {"minimize", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kAddress = {
    {"NewMessage", "New Message", "Send a new message", "mailnew"},
    {"AddressNew", "New", "Add a new address", "address"},
    {"AddressDelete", "Delete", "Delete the selected addresses", "trash"},
    {"AddressEdit", "Edit", "Edit the selected address", "edit"},
    {"AddressFileImport", "Import", "Import addresses from a file", "open"},
    {"AddressFileExport", "Export", "Export addresses to a text file", "save"},
    {"AddressSIMExport", "To SIM", "Copy the selected addresses to the SIM card", "simclose"},
    {"Minimise", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kGroup = {
    {"NewMessage", "New Message", "Send a new message", "mailnew"},
    {"GroupAdd", "Add Members", "Add addresses to this group", "group"},
    {"GroupDelete", "Remove", "Remove the selected members from this group", "trash"},
    {"GroupEdit", "Edit", "Edit the selected member", "edit"},
    {"GroupFileExport", "Export", "Export this group to a text file", "save"},
    {"GroupSIMExport", "To SIM", "Copy the selected members to the SIM card", "simclose"},
    {"Minimise", "Minimise", "Minimise to the system tray", "minimise"},
};
const std::vector<ToolbarButton> kSim = {
    {"NewMessage", "New Message", "Send a new message", "mailnew"},
    {"SIMAdd", "New", "Add an entry to the SIM card", "simclose"},
    {"SIMDelete", "Delete", "Delete the selected SIM entries", "trash"},
    {"SIMEdit", "Edit", "Edit the selected SIM entry", "edit"},
    {"SIMRefresh", "Refresh", "Read the SIM phonebook again", "refresh"},
    {"SIMClear", "Clear", "Delete every entry of the SIM card", "clear"},
    {"SIMImport", "To Address Book", "Copy the selected SIM entries to the Address Book", "address"},
    {"Minimise", "Minimise", "Minimise to the system tray", "minimise"},
};

} // namespace

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
