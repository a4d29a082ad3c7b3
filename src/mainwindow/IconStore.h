#pragma once
// The main window's pictures: the small icons of the tree and the lists
// (looked up by image key), the status light, the drag picture, the logo and
// the four pictures of each shortcut button. They are drawn once with
// QPainter and cached, so the program ships no image files for them.
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

class IconStore {
public:
    // The four pictures of a shortcut button.
    enum class ButtonState { Inactive, Up, Down, Disabled };
    enum class Shortcut { Inbox, Outbox, SentItems, AddressBook };

    // The image keys of the tree and list icons, in a fixed order.
    static const QStringList& keys();
    static bool hasKey(const QString& key);

    // A 16 px icon (with a 32 px version for dense screens); a null icon for
    // an unknown key.
    static QIcon icon(const QString& key);
    static QPixmap pixmap(const QString& key, int size = 16);
    // A tree icon: the closed picture normally, the open one while selected.
    static QIcon treeIcon(const QString& closedKey, const QString& openKey);

    // The status light ("imgOn", "imgActiveOff", "imgPauseOff") and the drag
    // picture ("imgDrag") as icons.
    static QIcon statusIcon(const QString& name);

    static QPixmap logo();
    static QPixmap shortcut(Shortcut which, ButtonState state);
};
