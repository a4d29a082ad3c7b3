#pragma once
// What the preview pane and the message window show of one message: the
// header lines, the kind, and the content decoded by its type (text,
// ringtone title, logo or picture). Built from the database without any
// window; the views paint it.
#include <QString>

#include "folders/MessageFolders.h"
#include "sms/MonoBitmap.h"

class Database;

// The picture box of the pane: a logo is 72 x 14 pixels, a picture 72 x 28.
enum class PaneImage { None, Logo, Picture };

struct PaneContent {
    bool found = false;
    QString error;          // the database's description when the read failed
    qint64 code = 0;
    int type = 0;
    QString status;         // msgstatus as stored
    QString dateText;       // "dd mmm yyyy hh:mm:ss"
    QString number;
    QString typeLabel;      // "Text Message", "Ring Tone (title)", ...
    QString text;           // what the text box shows
    bool showPlay = false;  // a ringtone: the Play button
    QString ringtoneContent;
    PaneImage image = PaneImage::None;
    // The picture box's pixels (72 x 14 or 72 x 28): what the message's
    // bitmap draws inside the box; null when there is no picture box.
    sms::MonoBitmap bitmap;
};

// The pane's date format, e.g. "05 Mar 2024 09:07:02" (English month names
// whatever the locale).
QString paneDateText(const QDateTime& when);

// The kind caption of a type; for a ringtone the title is read from the
// content: "Ring Tone (" + title + ")".
QString paneTypeLabel(int type, const QString& content);

// The content of one message for the pane, decoded by its type. Unicode
// messages show their decoded text; a picture message shows its text item.
PaneContent paneContentFor(int type, const QString& content);

// Reads one message of a folder by code and builds what the pane shows.
// found is false when the message is not there; error is set on a database
// failure.
PaneContent buildPaneContent(Database& db, MessageFolder folder, qint64 code);

// Whether showing this message marks it read: only in the Inbox itself
// (the folder key exactly "Inbox") and only an unread one.
bool marksRead(const QString& currentFolder, MessageFolder folder, const PaneContent& shown);
