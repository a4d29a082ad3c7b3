#include "base/Settings.h"

#include <QHash>
#include <QSettings>

namespace {

const QHash<QString, QString>& defaults()
{
    static const QHash<QString, QString> d = {
        {"SettingComPort", "1"},      {"SettingBaudRate", "9600"}, {"SettingHandshake", "RTS"},
        {"SettingAreaCode", ""},      {"SettingInbox", "0"},       {"SettingSentItems", "0"},
        {"SettingAudible", "1"},      {"SettingHaveModem", "0"},   {"SettingOpCode", ""},
        {"SettingStartHTTP", "0"},    {"SettingHTTPPort", "8010"}, {"SettingAutRsp", "0"},
        {"SettingAutRspTxt", ""},     {"SettingRemotePN", ""},     {"SettingAutFwd", "None"},
        {"SettingGrpSnd", "None"},    {"SettingAppPath", ""},
    };
    return d;
}

QSettings& store()
{
    static QSettings s(QSettings::UserScope, QStringLiteral("Velquarin"), QStringLiteral("Velquarin"));
    return s;
}

QString fullKey(const QString& key) { return QStringLiteral("Setting/") + key; }

} // namespace

namespace Settings {

QString defaultValue(const QString& key) { return defaults().value(key); }

bool contains(const QString& key) { return store().contains(fullKey(key)); }

QString text(const QString& key)
{
    const QVariant v = store().value(fullKey(key));
    if (!v.isValid())
        return defaultValue(key);
    // A value with commas written into the file by hand or by another
    // program reads back as a list; it is one text.
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", "));
    return v.toString();
}

int number(const QString& key)
{
    bool ok = false;
    const int n = text(key).trimmed().toInt(&ok);
    if (ok)
        return n;
    return defaultValue(key).toInt();
}

bool save(const QString& key, const QString& value)
{
    store().setValue(fullKey(key), value);
    store().sync();
    return store().status() == QSettings::NoError;
}

bool save(const QString& key, int value) { return save(key, QString::number(value)); }

void clear()
{
    store().remove(QStringLiteral("Setting"));
    store().sync();
}

QString fileName() { return store().fileName(); }

QString comPort()
{
    QString v = text(QStringLiteral("SettingComPort")).trimmed();
    // A port number (or "COMn") from an older store: port n is the n-th
    // serial line, /dev/ttyS{n-1}.
    if (v.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        v = v.mid(3);
    bool ok = false;
    const int n = v.toInt(&ok);
    if (ok)
        return QStringLiteral("/dev/ttyS%1").arg(n > 0 ? n - 1 : 0);
    return v.isEmpty() ? QStringLiteral("/dev/ttyS0") : v;
}

int baudRate() { return number(QStringLiteral("SettingBaudRate")); }

QString handshake()
{
    const QString v = text(QStringLiteral("SettingHandshake"));
    for (const char* h : {"None", "XonXoff", "RTS", "RTSXonXoff"})
        if (v == QLatin1String(h))
            return v;
    return defaultValue(QStringLiteral("SettingHandshake"));
}

QString areaCode() { return text(QStringLiteral("SettingAreaCode")); }
int inboxDays() { return number(QStringLiteral("SettingInbox")); }
int sentItemsDays() { return number(QStringLiteral("SettingSentItems")); }
int audible() { return number(QStringLiteral("SettingAudible")); }
int haveModem() { return number(QStringLiteral("SettingHaveModem")); }
QString opCode() { return text(QStringLiteral("SettingOpCode")); }
int startHttp() { return number(QStringLiteral("SettingStartHTTP")); }
int httpPort() { return number(QStringLiteral("SettingHTTPPort")); }
int autoRespond() { return number(QStringLiteral("SettingAutRsp")); }
QString autoRespondText() { return text(QStringLiteral("SettingAutRspTxt")); }
QString remotePhoneNo() { return text(QStringLiteral("SettingRemotePN")); }
QString autoForwardGroup() { return text(QStringLiteral("SettingAutFwd")); }
QString groupSendGroup() { return text(QStringLiteral("SettingGrpSnd")); }
QString appPath() { return text(QStringLiteral("SettingAppPath")); }

} // namespace Settings
