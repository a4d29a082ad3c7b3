#pragma once
// The ringtone player in the running program: the Play button of the main
// window's detail pane plays the ringtone message shown there, and the send
// form's Play button the ringtone being composed. Other windows open the
// player with openPlayer() (media/ui/RingtonePlayer.h).
#include <QString>

class AppCommands;
class MainWindow;

// The content of the ringtone message shown in the detail pane: the
// current row of the message list in the Inbox, Outbox or Sent Items
// view. False (content untouched) when no ringtone is shown; a database
// failure is told through the program's prompt.
bool shownRingtoneContent(MainWindow& window, AppCommands& app, QString* content);

// Connects the detail pane's Play button, gives the main window the way to
// the player that the message window's Play button takes and, when the
// send-form opener is installed (installCompose first), the send form's.
void installRingtonePlayer(MainWindow& window, AppCommands& app);
