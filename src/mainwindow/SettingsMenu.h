#pragma once
// The handlers of the main window's Settings menu. Each closes an open copy
// of its dialog and opens a fresh one centred over the main window. They
// return the dialog.
#include <QList>
#include <QString>

struct EngineState;
class Database;
class UserPrompt;
class WindowServices;
class QWidget;

namespace SettingsMenu {

// "&Options": the Options dialog (frmSetting).
QWidget* openSettingDialog(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                           WindowServices& windows);
// "Remote &Retrieving", "Auto-&forward", "&Auto-respond", "&HTTP Service",
// "Remote &Sending": the remote services' dialogs.
QWidget* openRemoteRetrievingSettings(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                                      WindowServices& windows);
QWidget* openAutoForwardSettings(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                                 WindowServices& windows);
QWidget* openAutoRespondSettings(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                                 WindowServices& windows);
QWidget* openHttpSettings(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                          WindowServices& windows);
QWidget* openRemoteSendingSettings(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                                   WindowServices& windows);

// The six entries with their captions and the object names of their menu
// items, for the window that builds the menu.
struct Entry {
    QString caption;
    QString objectName;
    QWidget* (*open)(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                     WindowServices& windows);
    bool available; // false while the entry's dialog does not exist yet
};
QList<Entry> entries();

} // namespace SettingsMenu
