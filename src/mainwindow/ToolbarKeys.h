#pragma once
// The buttons of the six toolbars: key (the action's object name, compared
// exactly and case-sensitively), caption, tooltip, icon key and keyboard
// shortcut.
#include <QKeySequence>
#include <QString>
#include <vector>

#include "mainwindow/FolderViews.h"

struct ToolbarButton {
    QString key;
    QString caption;
    QString tooltip;
    QString icon;   // picture: an IconStore key or a desktop-style name (trash, save, open, minimise, edit, refresh, clear)
    // The key that runs it from anywhere in the main window; none for the
    // rarer commands, which the keyboard reaches with Tab.
    QKeySequence shortcut = {};
    // The shortcut is the list's own key (Delete): the list shown runs it,
    // so it is named in the tooltip but not bound to the toolbar key.
    bool listKey = false;
};

// The tooltip a key shows: its text, and its shortcut in brackets.
QString toolbarTooltip(const ToolbarButton& button);

// The buttons of one toolbar, in their order on the bar.
const std::vector<ToolbarButton>& toolbarButtons(ToolbarId toolbar);
// The object name of a toolbar ("tolInbox", "tolOutbox", ...).
QString toolbarName(ToolbarId toolbar);
// The six toolbars in their order on the strip.
const std::vector<ToolbarId>& allToolbars();
