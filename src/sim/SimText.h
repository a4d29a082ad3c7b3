#pragma once
// The SIM phonebook's replies and the text that goes into "AT+CPBW": pure
// functions, no I/O.
#include <QString>
#include <QStringList>
#include <optional>

// One SIM phonebook location as read or to be written.
struct SimEntry {
    int index = 0;      // the location, 1-based; 0 when not yet placed
    QString name;
    QString number;
    bool operator==(const SimEntry&) const = default;
};

namespace simtext {

// Cuts a reply line's parameters at the commas that stand outside double
// quotes and outside parentheses; the quotes themselves are dropped, so
// "Smith, J" stays one field.
QStringList splitFields(const QString& text);

// The text after "+<tag>: " up to the end of that line, or nullopt when the
// reply holds no such line. tag is e.g. "+CPBR".
std::optional<QString> infoLine(const QString& reply, const QString& tag);

// "AT+CPBR=?": "+CPBR: (1-250),40,14".
struct CpbrLimits {
    int first = 0;          // the index range, 0 when not given
    int last = 0;
    int maxNumber = 0;      // field 1
    int maxName = 0;        // field 2
};
std::optional<CpbrLimits> parseLimits(const QString& reply);

// "AT+CPBS?": "+CPBS: "SM",3,250". nullopt when the reply lacks the used
// and total counts (some modems give the store's name only).
struct CpbsStatus {
    int used = 0;
    int total = 0;
};
std::optional<CpbsStatus> parseStatus(const QString& reply);

// "AT+CPBR=<i>": "+CPBR: 1,"+447700900601",145,"Alice"". nullopt when the
// reply holds no entry line, when its index is not a positive integer or
// is not the one asked for, or when both number and name are empty.
std::optional<SimEntry> parseEntry(const QString& reply, int askedIndex);

// A name made safe for a quoted "AT+CPBW" parameter: a double quote becomes
// an apostrophe, control characters (below 0x20 and 0x7F) go, any
// character outside ASCII becomes '?'; then the name is cut to maxLength
// (0: no limit) and loses its trailing blanks.
QString safeName(const QString& name, int maxLength);

// A number the SIM takes: an optional '+' and then 1 to maxLength (0: no
// limit) of the characters 0-9, '*' and '#'.
bool isValidNumber(const QString& number, int maxLength);

// The commands of the exchange.
QString readCommand(int index);                                    // AT+CPBR=<i>
QString eraseCommand(int index);                                   // AT+CPBW=<i>
QString writeCommand(int index, const QString& number, const QString& name);

} // namespace simtext
