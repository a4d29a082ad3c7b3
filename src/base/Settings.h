#pragma once
// The settings store: text values under organisation and application
// "Velquarin", group "Setting", one key per setting. Every reader supplies
// the key's default, and a value that does not parse reads as its default.
#include <QString>

namespace Settings {

QString text(const QString& key);                // with the key's default
int number(const QString& key);                  // numeric keys; default on parse failure
// Writes the value and flushes the store; false when it could not be written.
bool save(const QString& key, const QString& value);
bool save(const QString& key, int value);
QString defaultValue(const QString& key);
bool contains(const QString& key);
// Removes every key of the group (a fresh installation).
void clear();
// The file that holds the settings.
QString fileName();

// Typed accessors for the keys of the table.
QString comPort();        // a device path; a legacy number N reads as /dev/ttyS{N-1}
int baudRate();
QString handshake();      // None, XonXoff, RTS, RTSXonXoff
QString areaCode();
int inboxDays();
int sentItemsDays();
int audible();
int haveModem();
QString opCode();
int startHttp();
int httpPort();
int autoRespond();
QString autoRespondText();
QString remotePhoneNo();
QString autoForwardGroup();
QString groupSendGroup();
QString appPath();

} // namespace Settings
