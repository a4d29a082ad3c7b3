#include "engine/PartAssembler.h"

#include "base/Database.h"
#include "sms/DeliverPdu.h"
#include "sms/UserDataHeader.h"

#include <QDateTime>
#include <QList>
#include <algorithm>

namespace {

struct WaitingPart {
    qint64 rowid;
    QString content;
    int sequence;
};

// The waiting parts of one set, in the order they came.
struct WaitingSet {
    int reference;
    int total;
    int type;
    QList<WaitingPart> parts;

    bool matches(int ref, int tot, int typ) const { return reference == ref && total == tot && type == typ; }
};

} // namespace

PartAssembler::PartAssembler(Database& db, const Clock& clock) : db_(db), clock_(clock) {}

PartAssembler::Outcome PartAssembler::add(const QString& sender, const pdu::Deliver& m, const QDateTime& received)
{
    Outcome out;
    if (m.partReference < 0 || m.partTotal <= 1) {
        out.code = store(sender, m.userData, m.messageType, m.requestType, received);
        out.ok = out.code > 0;
        return out;
    }

    // The sender's waiting parts by set, sets in the order they began. The
    // set of a part is read from its own header.
    const Recordset rs = db_.query(QStringLiteral("SELECT rowid, msgcontent, msgtype FROM tbintemp "
                                                  "WHERE msgfrom=? ORDER BY rowid"),
                                   {sender});
    if (!rs.ok()) {
        qWarning("Reception: cannot read the waiting parts: %s", qPrintable(rs.error()));
        return out;
    }
    QList<WaitingSet> sets;
    QList<qint64> unreadable;
    for (const QVariantList& row : rs.rows()) {
        const qint64 rowid = row.value(0).toLongLong();
        const QString content = NullToEmpty(row.value(1));
        const int type = row.value(2).toInt();
        const std::optional<udh::UserDataHeader> h = udh::readUserDataHeader(content);
        // A row that is not one part (no set in its header, or longer than
        // one message holds) cannot be joined to anything.
        if (!h || !h->isPartOfSet() || content.size() > 2 * kMaxPartOctets) {
            unreadable.append(rowid);
            continue;
        }
        auto it = std::find_if(sets.begin(), sets.end(),
                               [&](const WaitingSet& s) { return s.matches(h->reference, h->total, type); });
        if (it == sets.end()) {
            sets.append({h->reference, h->total, type, {}});
            it = sets.end() - 1;
        }
        it->parts.append({rowid, content, h->sequence});
    }

    QList<qint64> drop = unreadable;
    auto dropSet = [&](qsizetype index) {
        for (const WaitingPart& p : sets.at(index).parts)
            drop.append(p.rowid);
        sets.removeAt(index);
    };
    qsizetype at = -1;
    for (qsizetype i = 0; i < sets.size(); ++i)
        if (sets.at(i).matches(m.partReference, m.partTotal, m.messageType))
            at = i;
    if (at >= 0) {
        const QList<WaitingPart>& parts = sets.at(at).parts;
        const auto same = std::find_if(parts.begin(), parts.end(),
                                       [&](const WaitingPart& p) { return p.sequence == m.partSequence; });
        if (same != parts.end()) {
            if (same->content == m.userData) {
                // The same part again: it is already kept.
                out.ok = true;
                return out;
            }
            // Another message under the same reference: it replaces the
            // unfinished one.
            dropSet(at);
            at = -1;
        }
    }
    if (at < 0) {
        while (sets.size() >= kOpenSetsPerSender)
            dropSet(0);
    }
    for (const qint64 rowid : std::as_const(drop)) {
        if (!db_.exec(QStringLiteral("DELETE FROM tbintemp WHERE rowid=?"), {rowid})) {
            qWarning("Reception: cannot drop a waiting part: %s", qPrintable(db_.lastError()));
            return out;
        }
    }

    const bool complete = at >= 0 && sets.at(at).parts.size() + 1 == m.partTotal;
    if (!complete) {
        if (!db_.exec(QStringLiteral("INSERT INTO tbintemp(msgfrom,msgcontent,msgtype,msgreqtype,msgreceived) "
                                     "VALUES(?,?,?,?,?)"),
                      {sender, m.userData, m.messageType, m.requestType,
                       dbtime::toDb(clock_.now())})) {
            qWarning("Reception: cannot keep a received part: %s", qPrintable(db_.lastError()));
            return out;
        }
        out.ok = true;
        return out;
    }

    // The last missing part: the message in sequence order, and the set
    // leaves tbintemp.
    QList<WaitingPart> parts = sets.at(at).parts;
    parts.append({-1, m.userData, m.partSequence});
    std::sort(parts.begin(), parts.end(),
              [](const WaitingPart& a, const WaitingPart& b) { return a.sequence < b.sequence; });
    QString content;
    for (const WaitingPart& p : std::as_const(parts))
        content += p.content;
    const qint64 code = store(sender, content, m.messageType, m.requestType, received);
    if (code <= 0)
        return out;
    for (const WaitingPart& p : std::as_const(parts)) {
        if (p.rowid >= 0 && !db_.exec(QStringLiteral("DELETE FROM tbintemp WHERE rowid=?"), {p.rowid})) {
            qWarning("Reception: cannot clear the parts of a stored message: %s", qPrintable(db_.lastError()));
            return out;
        }
    }
    out.ok = true;
    out.code = code;
    return out;
}

qint64 PartAssembler::store(const QString& sender, const QString& content, int type, int requestType,
                            const QDateTime& received)
{
    const qint64 code = GetNextCode(db_, CodeInbox);
    if (code <= 0) {
        qWarning("Reception: no message code for a received message");
        return -1;
    }
    const bool stored =
        received.isValid()
            ? db_.exec(QStringLiteral("INSERT INTO tbinqueue(msgcode,msgfrom,msgcontent,msgtype,msgreqtype,msgcreated) "
                                      "VALUES(?,?,?,?,?,?)"),
                       {code, sender, content, type, requestType, dbtime::toDb(received)})
            : db_.exec(QStringLiteral("INSERT INTO tbinqueue(msgcode,msgfrom,msgcontent,msgtype,msgreqtype) "
                                      "VALUES(?,?,?,?,?)"),
                       {code, sender, content, type, requestType});
    if (!stored) {
        qWarning("Reception: cannot store a received message: %s", qPrintable(db_.lastError()));
        return -1;
    }
    return code;
}
