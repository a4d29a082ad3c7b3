#include "remote/RemoteSettings.h"

#include "base/Database.h"
#include "base/Settings.h"
#include "base/EngineState.h"

namespace RemoteSettings {

bool saveRemotePhone(EngineSettings& settings, const QString& number)
{
    const QString n = number.trimmed();
    if (!Settings::save(QStringLiteral("SettingRemotePN"), n))
        return false;
    settings.sRemotePhoneNo = n;
    return true;
}

AutoRespondResult saveAutoRespond(Database& db, EngineSettings& settings, bool on, const QString& text)
{
    if (!db.exec(QStringLiteral("UPDATE tbinqueue SET msgresponded=1 WHERE msgresponded=0")))
        return AutoRespondResult::UpdateFailed;
    const int flag = on ? 1 : 0;
    if (!Settings::save(QStringLiteral("SettingAutRsp"), flag) ||
        !Settings::save(QStringLiteral("SettingAutRspTxt"), text))
        return AutoRespondResult::SettingsFailed;
    settings.iAutoRespond = flag;
    settings.sAutoRespondText = text;
    return AutoRespondResult::Saved;
}

QStringList groups(Database& db, bool* ok)
{
    const Recordset rs = db.query(QStringLiteral("SELECT grpnam FROM tbgrps ORDER BY rowid"));
    *ok = rs.ok();
    QStringList names;
    for (int i = 0; i < rs.size(); ++i)
        names << NullToEmpty(rs.value(i, 0));
    return names;
}

QString shownGroup(const QStringList& entries, const QString& saved)
{
    if (entries.contains(saved))
        return saved;
    for (const QString& e : entries)
        if (e.compare(saved, Qt::CaseInsensitive) == 0)
            return e;
    return QStringLiteral("None");
}

bool saveGroupSendGroup(EngineSettings& settings, const QString& group)
{
    if (!Settings::save(QStringLiteral("SettingGrpSnd"), group))
        return false;
    settings.sGroupSendGroup = group;
    return true;
}

bool saveAutoForwardGroup(EngineSettings& settings, const QString& group)
{
    if (!Settings::save(QStringLiteral("SettingAutFwd"), group))
        return false;
    settings.sAutoFwdGroup = group;
    return true;
}

} // namespace RemoteSettings
