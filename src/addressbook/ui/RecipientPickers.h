#pragma once
// The send form's two pickers: "Address List" (frmPickAddress) ticks
// address-book entries, "Group List" (frmPickGroup) ticks groups. Each
// opens with the earlier picks ticked again; OK rewrites the picks in list
// order, Cancel leaves them as they were. Both return true after OK.
//
//     RecipientPicks picks;                       // held by the send form
//     if (pickAddresses(this, db, prompt, windows, picks))
//         updateSummary(picks.iRecipientCount());
#include "addressbook/RecipientPicks.h"

class Database;
class QWidget;
class UserPrompt;
class WindowServices;

bool pickAddresses(QWidget* parent, Database& db, UserPrompt& prompt, WindowServices& windows, RecipientPicks& picks);
bool pickGroups(QWidget* parent, Database& db, UserPrompt& prompt, WindowServices& windows, RecipientPicks& picks);
