#include "sim/SimText.h"

#include <QRegularExpression>

namespace simtext {

namespace {

// A whole text of decimal digits (after trimming) as a number; nullopt for
// anything else and for values beyond the 16-bit counters of the phonebook.
std::optional<int> wholeNumber(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 5)
        return std::nullopt;
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int v = t.toInt();
    if (v > 32767)
        return std::nullopt;
    return v;
}

} // namespace

QStringList splitFields(const QString& text)
{
    QStringList out;
    QString field;
    bool quoted = false;
    int depth = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            continue;
        }
        if (!quoted) {
            if (c == QLatin1Char('('))
                ++depth;
            else if (c == QLatin1Char(')') && depth > 0)
                --depth;
            else if (c == QLatin1Char(',') && depth == 0) {
                out << field;
                field.clear();
                continue;
            }
        }
        field += c;
    }
    out << field;
    return out;
}

std::optional<QString> infoLine(const QString& reply, const QString& tag)
{
    const QString head = tag + QLatin1Char(':');
    int at = -1;
    // The tag must start a line: the reply may echo the command before it.
    for (int from = 0; (at = reply.indexOf(head, from)) >= 0; from = at + 1) {
        if (at == 0 || reply.at(at - 1) == QLatin1Char('\n') || reply.at(at - 1) == QLatin1Char('\r'))
            break;
    }
    if (at < 0)
        return std::nullopt;
    int start = at + head.size();
    if (start < reply.size() && reply.at(start) == QLatin1Char(' '))
        ++start;
    int end = start;
    while (end < reply.size() && reply.at(end) != QLatin1Char('\r') && reply.at(end) != QLatin1Char('\n'))
        ++end;
    return reply.mid(start, end - start);
}

std::optional<CpbrLimits> parseLimits(const QString& reply)
{
    const auto line = infoLine(reply, QStringLiteral("+CPBR"));
    if (!line)
        return std::nullopt;
    const QStringList f = splitFields(*line);
    if (f.size() < 3)
        return std::nullopt;
    CpbrLimits l;
    static const QRegularExpression range(QStringLiteral("^\\s*\\(\\s*(\\d{1,5})\\s*-\\s*(\\d{1,5})\\s*\\)\\s*$"));
    const auto m = range.match(f.at(0));
    if (m.hasMatch()) {
        l.first = m.captured(1).toInt();
        l.last = m.captured(2).toInt();
        if (l.last < l.first || l.last > 32767)
            l.first = l.last = 0;
    }
    const auto number = wholeNumber(f.at(1));
    const auto name = wholeNumber(f.at(2));
    if (!number || !name)
        return std::nullopt;
    l.maxNumber = *number;
    l.maxName = *name;
    return l;
}

std::optional<CpbsStatus> parseStatus(const QString& reply)
{
    const auto line = infoLine(reply, QStringLiteral("+CPBS"));
    if (!line)
        return std::nullopt;
    const QStringList f = splitFields(*line);
    if (f.size() < 3)
        return std::nullopt;
    const auto used = wholeNumber(f.at(1));
    const auto total = wholeNumber(f.at(2));
    if (!used || !total || *total < 1 || *used > *total)
        return std::nullopt;
    return CpbsStatus{*used, *total};
}

std::optional<SimEntry> parseEntry(const QString& reply, int askedIndex)
{
    const auto line = infoLine(reply, QStringLiteral("+CPBR"));
    if (!line)
        return std::nullopt;
    const QStringList f = splitFields(*line);
    const auto index = wholeNumber(f.at(0));
    if (!index || *index < 1 || *index != askedIndex)
        return std::nullopt;
    SimEntry e;
    e.index = *index;
    e.number = f.value(1);
    e.name = f.value(3);
    if (e.number.isEmpty() && e.name.isEmpty())
        return std::nullopt;
    return e;
}

QString safeName(const QString& name, int maxLength)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F)
            continue;
        if (u == u'"')
            out += QLatin1Char('\'');
        else if (u > 0x7F)
            out += QLatin1Char('?');
        else
            out += c;
    }
    // A surrogate pair is one character to the user but two here; each
    // half became '?', which the SIM shows as two. Close enough, and safe.
    if (maxLength > 0 && out.size() > maxLength)
        out.truncate(maxLength);
    while (!out.isEmpty() && out.back() == QLatin1Char(' '))
        out.chop(1);
    return out;
}

bool isValidNumber(const QString& number, int maxLength)
{
    static const QRegularExpression re(QStringLiteral("^\\+?[0-9*#]+$"));
    if (!re.match(number).hasMatch())
        return false;
    const int digits = int(number.size()) - (number.startsWith(QLatin1Char('+')) ? 1 : 0);
    return maxLength <= 0 || digits <= maxLength;
}

QString readCommand(int index) { return QStringLiteral("AT+CPBR=%1\r").arg(index); }

QString eraseCommand(int index) { return QStringLiteral("AT+CPBW=%1\r").arg(index); }

QString writeCommand(int index, const QString& number, const QString& name)
{
    return QStringLiteral("AT+CPBW=%1,\"%2\",,\"%3\"\r").arg(index).arg(number, name);
}

} // namespace simtext
