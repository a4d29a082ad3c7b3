#include "compose/SendLogic.h"

#include <QFile>

#include "base/Database.h"
#include "base/Settings.h"
#include "base/UserPrompt.h"
#include "base/EngineState.h"
#include "remote/RemoteInput.h"
#include "sms/Gsm7.h"
#include "sms/Ringtone.h"
#include "sms/SmartMessage.h"

namespace compose {

namespace {

// The blanks a number read from a file may carry around it.
QString trimNumberLine(const QString& line)
{
    qsizetype begin = 0, end = line.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
    while (begin < end && blank(line.at(begin)))
        ++begin;
    while (end > begin && blank(line.at(end - 1)))
        --end;
    return line.mid(begin, end - begin);
}

// Holds the busy state for a walk; it ends at the latest with the scope.
class Busy {
public:
    explicit Busy(const std::function<void(bool)>& hook) : hook_(hook) { set(true); }
    ~Busy() { set(false); }
    void set(bool on)
    {
        if (hook_ && on != on_)
            hook_(on);
        on_ = on;
    }

private:
    const std::function<void(bool)>& hook_;
    bool on_ = false;
};

} // namespace

QStringList splitNumberList(const QString& text)
{
    QStringList numbers;
    for (const QString& element : text.split(QLatin1Char(','))) {
        const QString number = element.trimmed();
        if (!number.isEmpty())
            numbers << number;
    }
    return numbers;
}

NumberFile readNumberFile(const QString& path)
{
    NumberFile out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.error = file.errorString();
        return out;
    }
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        if (line.isEmpty() && file.error() != QFileDevice::NoError) {
            out.error = file.errorString();
            return out;
        }
        const QString number = trimNumberLine(QString::fromUtf8(line));
        if (!number.isEmpty())
            out.numbers << number;
    }
    out.ok = true;
    return out;
}

QString recipientSummary(int addresses, int groups)
{
    return QStringLiteral("%1 %2, %3 %4")
        .arg(addresses)
        .arg(addresses < 2 ? QStringLiteral("Address") : QStringLiteral("Addresses"))
        .arg(groups)
        .arg(groups < 2 ? QStringLiteral("Group") : QStringLiteral("Groups"));
}

QString compactOperatorCode(const QString& typed)
{
    QString code = typed;
    code.remove(QLatin1Char(' '));
    return code;
}

bool isValidOperatorCode(const QString& code)
{
    if (code.size() != 5 && code.size() != 6)
        return false;
    for (const QChar c : code)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

bool textHasGsmForm(const QString& text, QString* offending)
{
    const QString bad = gsm7::unsupportedCharacters(text);
    if (offending)
        *offending = bad;
    return bad.isEmpty();
}

QDateTime sendTimeOf(const QDate& date, const QTime& time)
{
    const QTime t = time.isValid() ? QTime(time.hour(), time.minute()) : QTime(0, 0);
    return QDateTime(date, t);
}

namespace text {
QString badCharacters(const QString& offending)
{
    QStringList quoted;
    for (qsizetype i = 0; i < offending.size(); ++i) {
        QString ch(offending.at(i));
        if (offending.at(i).isHighSurrogate() && i + 1 < offending.size())
            ch += offending.at(++i);
        quoted << QLatin1Char('"') + ch + QLatin1Char('"');
    }
    return QStringLiteral("Message contains characters that cannot be sent: %1.\nPlease check and try again.")
        .arg(quoted.join(QStringLiteral(", ")));
}

QString badNumbers(const QStringList& labels)
{
    // A long file or group names its first few.
    constexpr int kNamed = 10;
    QString named = labels.mid(0, kNamed).join(QStringLiteral(", "));
    if (labels.size() > kNamed)
        named += QStringLiteral(" and %1 more").arg(labels.size() - kNamed);
    return QStringLiteral("%1 cannot be sent to: %2.\nA phone number is an optional \"+\" and 1 to 20 digits, "
                          "without blanks or other signs.\nPlease check and try again.")
        .arg(labels.size() == 1 ? QStringLiteral("This phone number") : QStringLiteral("These phone numbers"),
             named);
}
} // namespace text

SendLogic::SendLogic(Database& db, UserPrompt& prompt, EngineState& state, Enqueue enqueue)
    : db_(db), prompt_(prompt), st_(state), enqueue_(std::move(enqueue))
{
}

QString SendLogic::buildContent(const SendRequest& r, SendResult* result, bool* refused)
{
    *refused = true;
    result->operatorCode = r.operatorCode;
    switch (r.kind) {
    case KindText: {
        if (r.text.trimmed().isEmpty()) {
            result->focus = r.cannedSelected ? SendResult::Focus::CannedList : SendResult::Focus::Message;
            prompt_.warning(text::kBlankMessage);
            return {};
        }
        // A character the GSM alphabet lacks would be turned into another
        // on the phone; the queue would refuse it once per recipient.
        QString offending;
        if (!textHasGsmForm(r.text, &offending)) {
            result->focus = r.cannedSelected ? SendResult::Focus::CannedList : SendResult::Focus::Message;
            prompt_.warning(text::badCharacters(offending));
            return {};
        }
        *refused = false;
        // Merge fields stay as typed: the queue fills them per recipient.
        return r.text;
    }
    case KindLogo: {
        if (!r.logoLoaded) {
            prompt_.warning(text::kNoLogo);
            return {};
        }
        const QString code = compactOperatorCode(r.operatorCode);
        result->operatorCode = code;
        if (!isValidOperatorCode(code)) {
            result->focus = SendResult::Focus::OperatorCode;
            prompt_.warning(text::kBadOperatorCode);
            return {};
        }
        Settings::save(QStringLiteral("SettingOpCode"), code);
        st_.sOpCode = code;
        *refused = false;
        return sms::operatorLogoPayload(code, r.logo);
    }
    case KindPicture: {
        if (!r.pictureLoaded) {
            prompt_.warning(text::kNoPicture);
            return {};
        }
        const QString content = sms::pictureMessagePayload(r.picture, r.pictureText);
        if (content.isEmpty()) {
            prompt_.warning(text::kPictureTextTooLong);
            return {};
        }
        *refused = false;
        return content;
    }
    case KindRingtone: {
        const QString content = sms::ringtoneParts(r.ringtoneHex);
        if (r.ringtoneHex.isEmpty() || content.isEmpty()) {
            prompt_.warning(text::kNoRingtone);
            return {};
        }
        *refused = false;
        return content;
    }
    default:
        *refused = false;
        return r.previousContent;
    }
}

SendResult SendLogic::send(const SendRequest& r)
{
    SendResult result;
    result.numbers = r.numbers;
    result.content = r.previousContent;
    const QDateTime when = sendTimeOf(r.date, r.time);

    bool refused = false;
    const QString content = buildContent(r, &result, &refused);
    if (refused)
        return result;
    result.content = content;

    switch (r.mode) {
    case RecipientMode::AddressBook:
        if (r.pickedNumbers.isEmpty() && r.pickedGroups.isEmpty()) {
            prompt_.warning(text::kNoAddress);
            return result;
        }
        result.queued = sendToList(r.pickedGroups, r.pickedNumbers, r.kind, content, when);
        break;
    case RecipientMode::File:
        if (r.filePath.isEmpty()) {
            prompt_.warning(text::kNoFile);
            result.chooseFile = true;
            return result;
        }
        result.queued = sendToFile(r.filePath, r.kind, content, when);
        break;
    case RecipientMode::Numbers:
        result.numbers = r.numbers.trimmed();
        // A list of commas alone holds no number either.
        if (splitNumberList(result.numbers).isEmpty()) {
            result.focus = SendResult::Focus::Number;
            prompt_.warning(text::kNoNumber);
            return result;
        }
        if (refuseUnsendable(splitNumberList(result.numbers), false)) {
            result.focus = SendResult::Focus::Number;
            return result;
        }
        result.queued = sendToNumbers(result.numbers, r.kind, content, when);
        break;
    }
    result.walked = true;
    return result;
}

bool SendLogic::queueOne(const QString& number, int kind, const QString& content, const QDateTime& when)
{
    return enqueue_(number, kind, content, when, kSendPriority);
}

bool SendLogic::refuseUnsendable(const QStringList& numbers, bool fromAddressBook)
{
    QStringList bad;
    for (const QString& number : numbers) {
        const QString n = number.trimmed();
        if (!RemoteInput::isValidPhone(n) && !bad.contains(n))
            bad << n;
    }
    if (bad.isEmpty())
        return false;
    QStringList labels;
    for (const QString& n : bad) {
        QString label = QLatin1Char('"') + n + QLatin1Char('"');
        if (fromAddressBook) {
            const Recordset rs =
                db_.query(QStringLiteral("SELECT addrnam1, addrnam2 FROM tbaddrs WHERE addrno = ? LIMIT 1"), {n});
            const QString name =
                rs.isEmpty() ? QString()
                             : (NullToEmpty(rs.value(0, 0)) + QLatin1Char(' ') + NullToEmpty(rs.value(0, 1))).trimmed();
            if (!name.isEmpty())
                label += QStringLiteral(" (%1)").arg(name);
        }
        labels << label;
    }
    prompt_.warning(text::badNumbers(labels));
    return true;
}

int SendLogic::sendToNumbers(const QString& list, int kind, const QString& content, const QDateTime& when)
{
    int queued = 0;
    bool failed = false;
    for (const QString& number : splitNumberList(list)) {
        if (queueOne(number, kind, content, when))
            ++queued;
        else
            failed = true;
    }
    if (failed)
        prompt_.warning(text::kSomeNotQueued);
    else
        prompt_.note(text::kQueued);
    return queued;
}

int SendLogic::sendToFile(const QString& path, int kind, const QString& content, const QDateTime& when)
{
    Busy busy(busy_);
    const NumberFile file = readNumberFile(path);
    busy.set(false);
    if (!file.ok) {
        prompt_.warning(QStringLiteral("Unable to read %1\n%2").arg(path, file.error));
        return 0;
    }
    if (file.numbers.isEmpty()) {
        prompt_.warning(text::kFileHasNoNumbers);
        return 0;
    }
    if (refuseUnsendable(file.numbers, false))
        return 0;
    int queued = 0;
    busy.set(true);
    for (const QString& number : file.numbers) {
        if (!queueOne(number, kind, content, when)) {
            busy.set(false);
            prompt_.warning(text::kFileIncomplete);
            return queued;
        }
        ++queued;
    }
    busy.set(false);
    prompt_.note(text::kQueued);
    return queued;
}

int SendLogic::sendToList(const QStringList& groups, const QStringList& numbers, int kind, const QString& content,
                          const QDateTime& when)
{
    Busy busy(busy_);
    auto stop = [&](int queued) {
        busy.set(false);
        prompt_.warning(text::kListIncomplete);
        return queued;
    };
    // Every recipient first: the members of each group, then the picked
    // addresses, so that a number the modem cannot take refuses the whole
    // list before any of it is queued.
    QStringList recipients;
    for (const QString& group : groups) {
        const Recordset rs =
            db_.query(QStringLiteral("SELECT addrno FROM tbaddrgrps WHERE grpnam=? ORDER BY rowid"), {group});
        if (!rs.ok()) {
            busy.set(false);
            prompt_.databaseError(QStringLiteral("Unable to read the members of group %1").arg(group));
            return stop(0);
        }
        for (int i = 0; i < rs.size(); ++i)
            recipients << NullToEmpty(rs.value(i, 0)).trimmed();
    }
    for (const QString& number : numbers)
        recipients << number.trimmed();
    busy.set(false);
    if (recipients.isEmpty()) {
        prompt_.warning(text::kGroupsEmpty);
        return 0;
    }
    if (refuseUnsendable(recipients, true))
        return 0;
    busy.set(true);
    int queued = 0;
    for (const QString& number : recipients) {
        if (!queueOne(number, kind, content, when))
            return stop(queued);
        ++queued;
    }
    busy.set(false);
    prompt_.note(text::kQueued);
    return queued;
}

} // namespace compose
