#include "remote/RemoteServices.h"

#include "base/Clock.h"
#include "base/Database.h"
#include "base/Helpers.h"
#include "base/UserPrompt.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "engine/Reception.h"
#include "remote/RemoteInput.h"
#include "sms/DeliverPdu.h"
#include "sms/Gsm7.h"

#include <QRegularExpression>
#include <QSet>

namespace {

const QString kNone = QStringLiteral("None");

// A group setting that switches its service off.
bool isOff(const QString& group) { return group.isEmpty() || group == kNone; }

QString fromPacked(const QVariant& content) { return gsm7::textFromPacked(NullToEmpty(content)); }

} // namespace

RemoteServices::RemoteServices(Database& db, OutboxQueue& queue, EngineState& state, UserPrompt& prompt,
                               const Clock& clock, QObject* parent)
    : QObject(parent), db_(db), queue_(queue), st_(state), prompt_(prompt), clock_(clock)
{
}

RemoteServices::~RemoteServices() = default;

QDateTime RemoteServices::now() const { return clock_.now(); }

// ------------------------------------------------------------ the rules

QString RemoteServices::normalNumber(const QString& number, const QString& areaCode)
{
    static const QRegularExpression separators(QStringLiteral("[\\s\\-.()]"));
    static const QRegularExpression phone(QStringLiteral("^\\+?[0-9]{1,20}$"));
    QString n = number;
    n.remove(separators);
    QString code = areaCode;
    code.remove(separators);
    n = Reception::removeAreaCode(n, code);
    return phone.match(n).hasMatch() ? n : QString();
}

int RemoteServices::retrieveCount(const QString& requestText)
{
    // A decimal number with an optional sign and fraction; its integer part.
    static const QRegularExpression number(QStringLiteral("^([+-]?)([0-9]*)(?:\\.([0-9]*))?$"));
    const QString field = GetToken(QStringLiteral(","), requestText, 1).trimmed();
    const QRegularExpressionMatch m = number.match(field);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return 1;
    QString digits = m.captured(2);
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    const int magnitude = digits.size() > 5 ? kMaxRetrieveCount + 1 : digits.toInt();
    if (m.captured(1) == QLatin1String("-") || magnitude <= 0)
        return 1;
    return qMin(magnitude, kMaxRetrieveCount);
}

QString RemoteServices::passOnText(const QString& sender, const QString& text)
{
    QString out = sender + QLatin1Char('-');
    int used = gsm7::septetCount(out);
    for (const QChar c : text) {
        const int width = gsm7::septetCount(QString(c));
        if (used + width > gsm7::kMaxSeptets)
            break;
        out += c;
        used += width;
    }
    // A final '@' may need a pad septet of its own when stored.
    while (out.size() > sender.size() + 1 && gsm7::storedSeptets(out).size() > gsm7::kMaxSeptets)
        out.chop(1);
    return out;
}

bool RemoteServices::parseGroupSend(const QString& requestText, QString* group, QString* message)
{
    const QString body = requestText.mid(3);
    const qsizetype comma = body.indexOf(QLatin1Char(','));
    if (comma < 0) {
        group->clear();
        message->clear();
        return false;
    }
    *group = body.left(comma).trimmed();
    *message = body.mid(comma + 1);
    return true;
}

bool RemoteServices::isRemotePhone(const QString& sender) const
{
    const QString remote = normalNumber(st_.sRemotePhoneNo, st_.sAreaCode);
    return !remote.isEmpty() && normalNumber(sender, st_.sAreaCode) == remote;
}

// ------------------------------------------------------- pass plumbing

void RemoteServices::beginPass(Pass pass)
{
    pass_ = pass;
    failure_.clear();
    refused_.clear();
}

void RemoteServices::fail(const QString& text)
{
    if (failure_.isEmpty()) {
        const QString detail = db_.lastError();
        failure_ = detail.isEmpty() ? text : text + QLatin1Char('\n') + detail;
    }
}

void RemoteServices::endPass()
{
    const unsigned bit = 1u << unsigned(pass_);
    if (!failure_.isEmpty()) {
        // A failure that persists is shown once, not at every message.
        if (!(failedPasses_ & bit))
            prompt_.notify(UserPrompt::Icon::Critical, QStringLiteral("Database Error"), failure_,
                           QStringLiteral("remote services failed"));
        failedPasses_ |= bit;
    } else {
        failedPasses_ &= ~bit;
    }
    if (!refused_.isEmpty())
        prompt_.notify(UserPrompt::Icon::Warning, QStringLiteral("Warning"),
                       QStringLiteral("Unable to queue a message of the remote services.\n") +
                           refused_.join(QLatin1Char('\n')),
                       QStringLiteral("remote services refused"));
}

bool RemoteServices::busyElsewhere()
{
    // Rows changed inside another part's open transaction would share its
    // fate; the next cycle serves them instead.
    if (!db_.inTransaction())
        return false;
    st_.bInboxProcessRequest = true;
    return true;
}

bool RemoteServices::groupMembers(const QString& group, QStringList* members)
{
    members->clear();
    const Recordset rs = db_.query(QStringLiteral("SELECT addrno FROM tbaddrgrps WHERE grpnam=? ORDER BY rowid"),
                                   {group});
    if (!rs.ok()) {
        fail(QStringLiteral("Unable to read the members of group %1.").arg(group));
        return false;
    }
    for (int i = 0; i < rs.size(); ++i)
        *members << NullToEmpty(rs.value(i, 0));
    return true;
}

bool RemoteServices::requests(int requestType, QList<Row>* rows)
{
    rows->clear();
    const Recordset rs = db_.query(QStringLiteral("SELECT msgcode, msgfrom, msgcontent FROM tbinqueue "
                                                  "WHERE msgreqtype=? ORDER BY msgcode LIMIT ?"),
                                   {requestType, kRequestsPerPass + 1});
    if (!rs.ok()) {
        fail(QStringLiteral("Unable to read the remote requests."));
        return false;
    }
    for (int i = 0; i < rs.size(); ++i)
        rows->append({rs.value(i, 0).toLongLong(), NullToEmpty(rs.value(i, 1)), fromPacked(rs.value(i, 2)), {}});
    return true;
}

bool RemoteServices::discardRequests(int requestType)
{
    if (db_.exec(QStringLiteral("DELETE FROM tbinqueue WHERE msgreqtype=?"), {requestType}))
        return true;
    fail(QStringLiteral("Unable to delete the remote requests."));
    return false;
}

bool RemoteServices::queueText(const QString& number, const QString& text, int priority, int* queued)
{
    QString why;
    if (queue_.AddToOutboxQuiet(number, 1, text, now(), priority, &why)) {
        ++*queued;
        return true;
    }
    if (why == OutboxQueue::databaseFailureText()) {
        fail(why);
        return false;
    }
    const QString line = number + QStringLiteral(": ") + why;
    if (!refused_.contains(line))
        refused_ << line;
    return true;
}

bool RemoteServices::deleteRequest(qint64 code)
{
    if (db_.exec(QStringLiteral("DELETE FROM tbinqueue WHERE msgcode=?"), {code}) && db_.changes() == 1)
        return true;
    fail(QStringLiteral("Unable to delete the remote request."));
    return false;
}

bool RemoteServices::markRead(qint64 code, bool* gone)
{
    *gone = false;
    if (!db_.exec(QStringLiteral("UPDATE tbinqueue SET msgstatus='O' WHERE msgcode=? AND msgstatus='N'"), {code})) {
        fail(QStringLiteral("Unable to update record"));
        return false;
    }
    *gone = db_.changes() == 0;
    return true;
}

void RemoteServices::announceRead(const Row& row)
{
    if (st_.sCurrentFolder == QLatin1String("Inbox") &&
        row.folder.compare(QLatin1String("Inbox"), Qt::CaseInsensitive) == 0) {
        st_.bNewMsgAlert = false;
        if (st_.iNewSMS > 0)
            --st_.iNewSMS;
    }
    emit markedRead(row.code);
}

bool RemoteServices::unreadTexts(int limit, bool ordinaryOnly, QList<Row>* rows)
{
    rows->clear();
    // Forwarding passes on every unread text except the "#GP" commands, which
    // the group-sending pass deletes before it; retrieval only ordinary ones.
    const QString filter = ordinaryOnly ? QStringLiteral("AND COALESCE(msgreqtype,0)=0 ")
                                        : QStringLiteral("AND COALESCE(msgreqtype,0)<>1 ");
    const Recordset rs = db_.query(QStringLiteral("SELECT msgcode, msgfrom, msgcontent, msgfolder FROM tbinqueue "
                                                  "WHERE msgstatus='N' AND msgtype=1 ") +
                                       filter + QStringLiteral("ORDER BY msgcode LIMIT ?"),
                                   {limit});
    if (!rs.ok()) {
        fail(QStringLiteral("Unable to read the unread messages."));
        return false;
    }
    for (int i = 0; i < rs.size(); ++i)
        rows->append({rs.value(i, 0).toLongLong(), NullToEmpty(rs.value(i, 1)), fromPacked(rs.value(i, 2)),
                      NullToEmpty(rs.value(i, 3))});
    return true;
}

bool RemoteServices::startRemotePhonePass(Pass pass, int requestType, QList<Row>* rows)
{
    if (busyElsewhere())
        return false;
    beginPass(pass);
    if (st_.sRemotePhoneNo.trimmed().isEmpty()) {
        // Without a remote phone the service is off: requests are discarded.
        discardRequests(requestType);
        endPass();
        return false;
    }
    if (!requests(requestType, rows)) {
        endPass();
        return false;
    }
    return true;
}

// ------------------------------------------------------------ the passes

void RemoteServices::ProcessGroupSend()
{
    if (busyElsewhere())
        return;
    beginPass(Pass::GroupSend);
    const QString allowedGroup = st_.sGroupSendGroup.trimmed();
    if (isOff(allowedGroup)) {
        // Requests of a service that is off are discarded unanswered.
        discardRequests(pdu::RequestGroupSend);
        endPass();
        return;
    }
    QStringList allowed;
    QList<Row> rows;
    if (!groupMembers(allowedGroup, &allowed) || !requests(pdu::RequestGroupSend, &rows)) {
        endPass();
        return;
    }
    QSet<QString> senders;
    for (const QString& number : allowed) {
        const QString n = normalNumber(number, st_.sAreaCode);
        if (!n.isEmpty())
            senders.insert(n);
    }

    int served = 0, queued = 0;
    for (const Row& row : rows) {
        if (st_.bClosePending)
            break;
        if (served >= kRequestsPerPass || queued >= kMessagesPerPass) {
            st_.bInboxProcessRequest = true;
            break;
        }
        Transaction tx(db_);
        if (!tx.ok()) {
            fail(QStringLiteral("Unable to delete the remote request."));
            break;
        }
        if (!deleteRequest(row.code))
            break;
        const QString from = normalNumber(row.sender, st_.sAreaCode);
        QString group, message;
        bool ok = true;
        if (!from.isEmpty() && senders.contains(from) && parseGroupSend(row.text, &group, &message) &&
            !group.isEmpty()) {
            QStringList members;
            ok = groupMembers(group, &members);
            for (int i = 0; ok && i < members.size(); ++i)
                ok = queueText(members.at(i), message, 9, &queued);
        }
        if (!ok)
            break;
        if (!tx.commit()) {
            fail(QStringLiteral("Unable to delete the remote request."));
            break;
        }
        ++served;
    }
    endPass();
}

void RemoteServices::ProcessAutoForward()
{
    const QString group = st_.sAutoFwdGroup.trimmed();
    if (isOff(group) || busyElsewhere())
        return;
    beginPass(Pass::AutoForward);
    QStringList members;
    QList<Row> rows;
    if (!groupMembers(group, &members) || !unreadTexts(kMessagesPerPass + 1, false, &rows)) {
        endPass();
        return;
    }
    int done = 0, queued = 0;
    for (const Row& row : rows) {
        if (done >= kMessagesPerPass || queued >= kMessagesPerPass) {
            st_.bInboxProcessRequest = true;
            break;
        }
        Transaction tx(db_);
        bool gone = false;
        if (!tx.ok()) {
            fail(QStringLiteral("Unable to update record"));
            break;
        }
        if (!markRead(row.code, &gone))
            break;
        bool ok = true;
        if (!gone) {
            const QString text = passOnText(row.sender, row.text);
            for (int i = 0; ok && i < members.size(); ++i)
                ok = queueText(members.at(i), text, 8, &queued);
        }
        if (!ok)
            break;
        if (!tx.commit()) {
            fail(QStringLiteral("Unable to update record"));
            break;
        }
        ++done;
        if (!gone)
            announceRead(row);
    }
    endPass();
}

void RemoteServices::ProcessUnreadCount()
{
    QList<Row> rows;
    if (!startRemotePhonePass(Pass::UnreadCount, pdu::RequestNumberUpdate, &rows))
        return;
    int served = 0, queued = 0;
    for (const Row& row : rows) {
        if (st_.bClosePending)
            break;
        if (served >= kRequestsPerPass) {
            st_.bInboxProcessRequest = true;
            break;
        }
        Transaction tx(db_);
        if (!tx.ok() || !deleteRequest(row.code)) {
            fail(QStringLiteral("Unable to delete the remote request."));
            break;
        }
        if (isRemotePhone(row.sender)) {
            const Recordset rs = db_.query(QStringLiteral("SELECT COUNT(*) FROM tbinqueue WHERE msgstatus='N' "
                                                          "AND msgtype=1 AND msgreqtype=0"));
            if (!rs.ok()) {
                fail(QStringLiteral("Unable to count the unread messages."));
                break;
            }
            const QString reply = QString::number(rs.value(0, 0).toLongLong()) + QStringLiteral(" Unread Messages");
            if (!queueText(row.sender, reply, 7, &queued))
                break;
        }
        if (!tx.commit()) {
            fail(QStringLiteral("Unable to delete the remote request."));
            break;
        }
        ++served;
    }
    endPass();
}

void RemoteServices::ProcessRemoteRetrieve()
{
    QList<Row> rows;
    if (!startRemotePhonePass(Pass::RemoteRetrieve, pdu::RequestRetrieve, &rows))
        return;
    int served = 0, queued = 0;
    for (const Row& row : rows) {
        if (st_.bClosePending)
            break;
        if (served >= kRequestsPerPass || queued >= kMessagesPerPass) {
            st_.bInboxProcessRequest = true;
            break;
        }
        Transaction tx(db_);
        if (!tx.ok()) {
            fail(QStringLiteral("Unable to delete the remote request."));
            break;
        }
        bool ok = true, owed = false;
        QList<Row> passedOn;
        if (isRemotePhone(row.sender)) {
            const int count = retrieveCount(row.text);
            const int batch = qMin(count, kMessagesPerPass - queued);
            QList<Row> texts;
            ok = unreadTexts(batch, true, &texts);
            for (int i = 0; ok && i < texts.size(); ++i) {
                bool gone = false;
                ok = markRead(texts.at(i).code, &gone);
                if (ok && !gone) {
                    ok = queueText(row.sender, passOnText(texts.at(i).sender, texts.at(i).text), 8, &queued);
                    passedOn << texts.at(i);
                }
            }
            // Cut short by the bound with texts still unread: the request
            // stays, owing the rest of its count, for the next cycle.
            if (ok && batch < count && texts.size() == batch) {
                owed = true;
                const QString rest = gsm7::packText(QStringLiteral("#RU,%1").arg(count - batch));
                ok = db_.exec(QStringLiteral("UPDATE tbinqueue SET msgcontent=? WHERE msgcode=?"), {rest, row.code}) &&
                     db_.changes() == 1;
                if (!ok)
                    fail(QStringLiteral("Unable to update record"));
            }
        }
        if (!ok || (!owed && !deleteRequest(row.code)))
            break;
        if (!tx.commit()) {
            fail(QStringLiteral("Unable to delete the remote request."));
            break;
        }
        ++served;
        for (const Row& text : passedOn)
            announceRead(text);
        if (owed) {
            st_.bInboxProcessRequest = true;
            break;
        }
    }
    endPass();
}

void RemoteServices::ProcessAutoRespond()
{
    if (st_.iAutoRespond != 1 || busyElsewhere())
        return;
    beginPass(Pass::AutoRespond);
    // Remote requests are served (and deleted) by the passes before; one left
    // for a later cycle is not a message to answer.
    const Recordset rs = db_.query(QStringLiteral("SELECT msgcode, msgfrom FROM tbinqueue WHERE msgresponded=0 "
                                                  "AND COALESCE(msgreqtype,0)=0 ORDER BY msgcode LIMIT ?"),
                                   {kMessagesPerPass + 1});
    if (!rs.ok()) {
        fail(QStringLiteral("Unable to read the messages to answer."));
        endPass();
        return;
    }
    int queued = 0;
    for (int i = 0; i < rs.size(); ++i) {
        if (st_.bClosePending)
            break;
        if (i >= kMessagesPerPass) {
            st_.bInboxProcessRequest = true;
            break;
        }
        const qint64 code = rs.value(i, 0).toLongLong();
        const QString sender = NullToEmpty(rs.value(i, 1));
        Transaction tx(db_);
        if (!tx.ok() ||
            !db_.exec(QStringLiteral("UPDATE tbinqueue SET msgresponded=1 WHERE msgcode=? AND msgresponded=0"),
                      {code})) {
            fail(QStringLiteral("Unable to update record"));
            break;
        }
        // A sender name cannot be answered; the message counts as answered.
        if (db_.changes() == 1 && RemoteInput::isValidPhone(sender) &&
            !queueText(sender, st_.sAutoRespondText, 7, &queued))
            break;
        if (!tx.commit()) {
            fail(QStringLiteral("Unable to update record"));
            break;
        }
    }
    endPass();
}
