#include "mainwindow/SettingsMenu.h"

#include "controls/FormHelpers.h"
#include "settings/ui/SettingDialog.h"

namespace SettingsMenu {

QWidget* openSettingDialog(QWidget* main, EngineState& state, UserPrompt& prompt)
{
    return openSingleDialog<SettingDialog>(main, state, prompt);
}

// The remote-service and HTTP setting dialogs are built with those
// services; until then their entries open nothing.
QWidget* openRemoteRetrievingSettings(QWidget*, EngineState&, UserPrompt&) { return nullptr; }
QWidget* openAutoForwardSettings(QWidget*, EngineState&, UserPrompt&) { return nullptr; }
QWidget* openAutoRespondSettings(QWidget*, EngineState&, UserPrompt&) { return nullptr; }
QWidget* openHttpSettings(QWidget*, EngineState&, UserPrompt&) { return nullptr; }
QWidget* openRemoteSendingSettings(QWidget*, EngineState&, UserPrompt&) { return nullptr; }

QList<Entry> entries()
{
    return {
        {QStringLiteral("Remote &Retrieving"), QStringLiteral("SettingRemoteRetrieving"), &openRemoteRetrievingSettings, false},
        {QStringLiteral("Auto-&forward"), QStringLiteral("SystemSettingAutFwd"), &openAutoForwardSettings, false},
        {QStringLiteral("&Auto-respond"), QStringLiteral("SystemSettingAutRsp"), &openAutoRespondSettings, false},
        {QStringLiteral("&HTTP Service"), QStringLiteral("SystemSettingHTTP"), &openHttpSettings, false},
        {QStringLiteral("&Options"), QStringLiteral("SystemSettingOptions"), &openSettingDialog, true},
        {QStringLiteral("Remote &Sending"), QStringLiteral("SystemSettingRemote"), &openRemoteSendingSettings, false},
    };
}

} // namespace SettingsMenu
