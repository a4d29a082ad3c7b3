#include "remote/RemoteInput.h"

#include "sms/SubmitPdu.h"

#include <QRegularExpression>

namespace RemoteInput {

bool isValidPhone(const QString& number)
{
    // The queue's own rule: a number it would refuse is refused here first.
    return pdu::isSendableNumber(number);
}

namespace {

QDateTime localTime(int y, int mo, int d, int h, int mi, int s)
{
    const QDate date(y, mo, d);
    const QTime time(h, mi, s);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

} // namespace

QDateTime parseSendTime(const QString& text)
{
    // Digits are matched as ASCII only: \d would also take other scripts'
    // digits, which toInt() then reads differently.
    static const QRegularExpression dmy(QStringLiteral(
        "^([0-9]{1,2})/([0-9]{1,2})/([0-9]{4})(?:[ ]+([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?)?$"));
    static const QRegularExpression iso(QStringLiteral(
        "^([0-9]{4})-([0-9]{2})-([0-9]{2})(?:[ T]([0-9]{2}):([0-9]{2})(?::([0-9]{2})(?:\\.[0-9]{1,9})?)?)?$"));
    const QString s = text.trimmed();
    QRegularExpressionMatch m = dmy.match(s);
    if (m.hasMatch())
        return localTime(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt(),
                         m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    m = iso.match(s);
    if (m.hasMatch())
        return localTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                         m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    return {};
}

} // namespace RemoteInput
