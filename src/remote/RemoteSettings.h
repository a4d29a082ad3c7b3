#pragma once
// The engine half of the remote services' setting forms: each saves its
// settings (group "Setting") and the engine's copy, so the next activity
// cycle works with the new values.
#include <QString>
#include <QStringList>

class Database;
struct EngineSettings;

namespace RemoteSettings {

// The number allowed "#NU" and "#RU" (SettingRemotePN), trimmed; empty
// switches both off. False when the settings could not be written.
bool saveRemotePhone(EngineSettings& settings, const QString& number);

enum class AutoRespondResult { Saved, UpdateFailed, SettingsFailed };
// Marks every stored message answered first, so that turning the service
// on answers only messages received afterwards; when that fails nothing is
// saved. Then SettingAutRsp and SettingAutRspTxt and the engine's copy.
AutoRespondResult saveAutoRespond(Database& db, EngineSettings& settings, bool on, const QString& text);

// The groups in the table's order; *ok is false after a database error.
QStringList groups(Database& db, bool* ok);
// The entry of a group list ("None" first, then groups) that shows the
// saved group: the same name, else the same name in another case, else
// "None".
QString shownGroup(const QStringList& entries, const QString& saved);

// SettingGrpSnd (the group whose members may send "#GP") and SettingAutFwd
// (the group that receives forwards); "None" switches the service off.
bool saveGroupSendGroup(EngineSettings& settings, const QString& group);
bool saveAutoForwardGroup(EngineSettings& settings, const QString& group);

} // namespace RemoteSettings
