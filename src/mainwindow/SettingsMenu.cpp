#include "mainwindow/SettingsMenu.h"

#include "controls/FormHelpers.h"
#include "controls/WindowServices.h"
#include "remote/ui/HttpSettingForms.h"
#include "remote/ui/RemoteSettingForms.h"
#include "settings/ui/SettingDialog.h"

namespace SettingsMenu {

QWidget* openSettingDialog(QWidget* main, Database&, EngineState& state, UserPrompt& prompt,
                           WindowServices&)
{
    return openSingleDialog<SettingDialog>(main, state, prompt);
}

// The remote services' dialogs work on the program's database connection.
QWidget* openRemoteRetrievingSettings(QWidget* main, Database&, EngineState& state, UserPrompt& prompt,
                                      WindowServices&)
{
    return openSingleDialog<SettingRetrievingDialog>(main, state, prompt);
}

QWidget* openAutoForwardSettings(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                                 WindowServices&)
{
    return openSingleDialog<SettingGroupDialog>(main, SettingGroupDialog::Kind::Forward, db,
                                                state, prompt);
}

QWidget* openAutoRespondSettings(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                                 WindowServices&)
{
    return openSingleDialog<SettingAutoRespondDialog>(main, db, state, prompt);
}

QWidget* openHttpSettings(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                          WindowServices& windows)
{
    return openSingleDialog<SettingHttpDialog>(main, db, state, prompt, windows);
}

QWidget* openRemoteSendingSettings(QWidget* main, Database& db, EngineState& state, UserPrompt& prompt,
                                   WindowServices&)
{
    return openSingleDialog<SettingGroupDialog>(main, SettingGroupDialog::Kind::GroupSend, db,
                                                state, prompt);
}

QList<Entry> entries()
{
    return {
        {QStringLiteral("Remote &Retrieving"), QStringLiteral("SettingRemoteRetrieving"), &openRemoteRetrievingSettings, true},
        {QStringLiteral("Auto-&forward"), QStringLiteral("SystemSettingAutFwd"), &openAutoForwardSettings, true},
        {QStringLiteral("&Auto-respond"), QStringLiteral("SystemSettingAutRsp"), &openAutoRespondSettings, true},
        {QStringLiteral("&HTTP Service"), QStringLiteral("SystemSettingHTTP"), &openHttpSettings, true},
        {QStringLiteral("&Options"), QStringLiteral("SystemSettingOptions"), &openSettingDialog, true},
        {QStringLiteral("Remote &Sending"), QStringLiteral("SystemSettingRemote"), &openRemoteSendingSettings, true},
    };
}

} // namespace SettingsMenu
