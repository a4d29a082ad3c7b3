#include "engine/OutboxQueue.h"

#include <QTimer>

#include "base/EngineState.h"
#include "sms/Gsm7.h"
#include "sms/SubmitPdu.h"
#include "base/Clock.h"
#include "base/Database.h"
#include "base/UserPrompt.h"

#include <QStringList>

namespace {

// The merge-field codes, in the order they are replaced, and the columns of
// tbaddrs they stand for.
constexpr const char* kMergeCodes[] = {"{sa}", "{fn}", "{ln}", "{mn}", "{co}", "{f1}", "{f2}", "{f3}"};

QString quotedList(const QString& chars)
{
    QStringList items;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        QString ch(chars.at(i));
        if (chars.at(i).isHighSurrogate() && i + 1 < chars.size())
            ch += chars.at(++i);
        items << QLatin1Char('"') + ch + QLatin1Char('"');
    }
    return items.join(QStringLiteral(", "));
}

// Whether the text's last character before any trailing blanks is a CR.
bool endsWithCarriageReturn(const QString& text)
{
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == QLatin1Char(' '))
        --n;
    return n > 0 && text.at(n - 1) == QLatin1Char('\r');
}

} // namespace

OutboxQueue::OutboxQueue(Database& db, UserPrompt& prompt, CycleState& cycle, const Clock& clock,
                         QObject* parent)
    : QObject(parent), db_(db), prompt_(prompt), cycle_(cycle), clock_(clock)
{
}

void OutboxQueue::raiseOutbox()
{
    cycle_.bOutboxChanged = true;
    cycle_.sngSendCount = 1;
}

bool OutboxQueue::canSendText(const QString& text, QString* why)
{
    bool ok = true;
    const QString septets = gsm7::storedSeptets(text, &ok);
    QString reason;
    if (!ok)
        reason = QStringLiteral("The message contains characters that a text message cannot carry: %1.")
                     .arg(quotedList(gsm7::unsupportedCharacters(text)));
    else if (septets.isEmpty())
        reason = QStringLiteral("The message is empty.");
    else if (septets.size() == gsm7::kMaxSeptets + 1 && septets.endsWith(QLatin1Char('\r')) &&
             !endsWithCarriageReturn(text))
        // Only the pad after a final '@' went over the limit.
        reason = QStringLiteral("A text message of %1 characters cannot end in \"@\"; remove it or shorten "
                                "the text by one character.")
                     .arg(gsm7::kMaxSeptets);
    else if (septets.size() > gsm7::kMaxSeptets)
        reason = QStringLiteral("The message is %1 characters long; a text message carries at most %2 "
                                "(each of \u20AC [ ] { } | \\ ^ ~ counts as two).")
                     .arg(septets.size())
                     .arg(gsm7::kMaxSeptets);
    if (why)
        *why = reason;
    return reason.isEmpty();
}

bool OutboxQueue::canSendTo(const QString& number, QString* why)
{
    if (pdu::isSendableNumber(number))
        return true;
    if (why)
        *why = QStringLiteral("The phone number \"%1\" cannot be sent to: a phone number is an optional \"+\" "
                              "and 1 to 20 digits, without blanks or other signs.")
                   .arg(number);
    return false;
}

QStringList OutboxQueue::addressValues(const QString& number, bool* ok)
{
    const Recordset rs = db_.query(
        QStringLiteral("SELECT addrslt,addrnam1,addrnam2,addrno,addrco,addrf1,addrf2,addrf3 "
                       "FROM tbaddrs WHERE addrno=?"),
        {number});
    *ok = rs.ok();
    QStringList values;
    for (int i = 0; i < 8; ++i)
        values << (rs.ok() && !rs.isEmpty() ? NullToEmpty(rs.value(0, i)) : QString());
    return values;
}

QString OutboxQueue::mergeValues(const QString& text, const QStringList& values)
{
    QString merged = text;
    for (int i = 0; i < 8; ++i)
        merged.replace(QLatin1String(kMergeCodes[i]), values.value(i), Qt::CaseSensitive);
    return merged;
}

QString OutboxQueue::MergeFields(const QString& number, const QString& text, bool* ok)
{
    bool dbOk = true;
    const QString merged = mergeValues(text, addressValues(number, &dbOk));
    if (ok)
        *ok = dbOk;
    return merged;
}

OutboxQueue::Failure OutboxQueue::enqueue(const QString& number, int type, const QString& content,
                                          const QDateTime& sendTime, int priority, QString* error)
{
    // A number the modem cannot take would only be logged as failed by the
    // sender, with nobody told; it is refused here, for every caller.
    if (!canSendTo(number, error))
        return Failure::Text;
    QString stored = content;
    QString name = QStringLiteral(" ");
    if (type == 1) {
        bool dbOk = true;
        const QStringList values = addressValues(number, &dbOk);
        if (!dbOk) {
            *error = databaseFailureText();
            return Failure::Database;
        }
        // The text is checked after merging: a field may bring in a
        // character the alphabet lacks or make the text too long.
        const QString merged = mergeValues(content, values);
        if (!canSendText(merged, error))
            return Failure::Text;
        stored = gsm7::packText(merged);
        // Known number: "first last"; unknown: both empty, a blank alone.
        name = values[1] + QLatin1Char(' ') + values[2];
    }

    const qint64 code = GetNextCode(db_, CodeOutbox);
    if (code < 0) {
        *error = databaseFailureText();
        return Failure::Database;
    }
    const QDateTime due = sendTime.isValid() ? sendTime : clock_.now();
    if (!db_.exec(QStringLiteral("INSERT INTO tboutqueue(msgcode,msgno,msgtype,msgcontent,msgout,msgoutpri) "
                                 "VALUES(?,?,?,?,?,?)"),
                  {code, NullIfEmpty(number), type, NullIfEmpty(stored), dbtime::toDb(due), priority})) {
        *error = databaseFailureText();
        return Failure::Database;
    }
    raiseOutbox();
    if (!db_.inTransaction()) {
        emit rowAdded(code, due, name, number, type);
        return Failure::None;
    }
    // Inside a caller's transaction (the hand-in) the row exists only once
    // that commits: tell the lists after it, and only if the row is there.
    // A rolled-back row's code is drawn again, so the whole row is matched.
    QTimer::singleShot(0, this, [this, code, due, name, number, type, stored] {
        if (db_.isOpen() && !db_.inTransaction() &&
            db_.query(QStringLiteral("SELECT 1 FROM tboutqueue WHERE msgcode = ? AND msgno IS ? "
                                     "AND msgcontent IS ?"),
                      {code, NullIfEmpty(number), NullIfEmpty(stored)})
                    .size() == 1)
            emit rowAdded(code, due, name, number, type);
    });
    return Failure::None;
}

bool OutboxQueue::AddToOutboxQuiet(const QString& number, int type, const QString& content,
                                   const QDateTime& sendTime, int priority, QString* error)
{
    QString reason;
    const bool ok = enqueue(number, type, content, sendTime, priority, &reason) == Failure::None;
    if (error)
        *error = reason;
    return ok;
}

bool OutboxQueue::AddToOutbox(const QString& number, int type, const QString& content,
                              const QDateTime& sendTime, int priority)
{
    QString reason;
    switch (enqueue(number, type, content, sendTime, priority, &reason)) {
    case Failure::None:
        return true;
    case Failure::Text:
        prompt_.warning(reason);
        return false;
    case Failure::Database:
        prompt_.databaseError(reason);
        return false;
    }
    return false;
}

int OutboxQueue::AddGroupToOutbox(const QString& group, int type, const QString& content,
                                  const QDateTime& sendTime, int priority)
{
    const Recordset members =
        db_.query(QStringLiteral("SELECT addrno FROM tbaddrgrps WHERE grpnam=?"), {group});
    if (!members.ok()) {
        prompt_.databaseError(databaseFailureText());
        return 0;
    }
    int queued = 0;
    // The same reason for many members is shown once.
    QStringList textReasons;
    bool databaseFailed = false;
    for (int i = 0; i < members.size(); ++i) {
        QString reason;
        switch (enqueue(NullToEmpty(members.value(i, 0)), type, content, sendTime, priority, &reason)) {
        case Failure::None:
            ++queued;
            break;
        case Failure::Text:
            if (!textReasons.contains(reason))
                textReasons << reason;
            break;
        case Failure::Database:
            databaseFailed = true;
            break;
        }
    }
    for (const QString& reason : textReasons)
        prompt_.warning(reason);
    if (databaseFailed)
        prompt_.databaseError(databaseFailureText());
    return queued;
}

qint64 OutboxQueue::ResendFromLog(qint64 logCode, QString* refusal)
{
    Transaction tx(db_);
    if (!tx.ok())
        return -1;
    // Sent Items keep the rows that failed for their number too.
    const Recordset logged = db_.query(QStringLiteral("SELECT msgno FROM tboutlog WHERE msgcode=?"), {logCode});
    if (!logged.ok() || logged.isEmpty())
        return -1;
    if (!canSendTo(NullToEmpty(logged.value(0, 0)), refusal))
        return -1;
    const qint64 newCode = GetNextCode(db_, CodeOutbox);
    if (newCode < 0)
        return -1;
    if (!db_.exec(QStringLiteral("INSERT INTO tboutqueue(msgcode,msgno,msgtype,msgcontent,msgout,msgcreated) "
                                 "SELECT ?,msgno,msgtype,msgcontent,?,msgcreated FROM tboutlog WHERE msgcode=?"),
                  {newCode, dbtime::toDb(clock_.now()), logCode}) ||
        db_.changes() != 1)
        return -1;
    if (!tx.commit())
        return -1;
    raiseOutbox();
    return newCode;
}
