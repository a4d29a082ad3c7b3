#pragma once
// The buttons of the six toolbars: key (the action's object name, compared
// exactly and case-sensitively), caption, tooltip and icon key.
#include <QString>
#include <vector>

#include "mainwindow/FolderViews.h"

struct ToolbarButton {
    QString key;
    QString caption;
    QString tooltip;
    QString icon;   // picture: an IconStore key or a desktop-style name (trash, save, open, minimise, edit, refresh, clear)
};

// The buttons of one toolbar, in their order on the bar.
const std::vector<ToolbarButton>& toolbarButtons(ToolbarId toolbar);
// The object name of a toolbar ("tolInbox", "tolOutbox", ...).
QString toolbarName(ToolbarId toolbar);
// The six toolbars in their order on the strip.
const std::vector<ToolbarId>& allToolbars();
