#include "engine/Reception.h"

#include "sms/DeliverPdu.h"
#include "base/EngineState.h"
#include "base/Database.h"
#include "base/SharedFlagBlock.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kJournalTag[] = "V1";
constexpr char kConfirmTag[] = "A1";
constexpr qint64 kPruneEveryMs = 3600 * 1000;

QString normalisedPdu(const QString& pdu) { return pdu.trimmed().toUpper(); }

QByteArray lineCheck(const QByteArray& body)
{
    return QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex().left(8);
}

QByteArray journalLine(const QString& pdu, const QDateTime& arrival)
{
    const QByteArray body = QByteArray(kJournalTag) + ' ' +
                            arrival.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() + ' ' +
                            normalisedPdu(pdu).toLatin1();
    return body + ' ' + lineCheck(body) + '\n';
}

QByteArray confirmationLine(const QString& digest)
{
    const QByteArray body = QByteArray(kConfirmTag) + ' ' + digest.toLatin1();
    return body + ' ' + lineCheck(body) + '\n';
}

struct JournalEntry {
    QByteArray line; // with its LF
    QDateTime arrival;
    QString pdu;
    QString confirmed; // a confirmation line: the digest it confirms
};

// The complete, intact lines of a journal's contents.
QList<JournalEntry> readJournal(const QByteArray& contents)
{
    QList<JournalEntry> entries;
    qsizetype from = 0;
    while (from < contents.size()) {
        const qsizetype end = contents.indexOf('\n', from);
        if (end < 0)
            break; // the program stopped while writing it: never acknowledged
        const QByteArray line = contents.mid(from, end - from);
        from = end + 1;
        const QList<QByteArray> fields = line.split(' ');
        const bool message = fields.size() == 4 && fields[0] == kJournalTag;
        const bool confirmation = fields.size() == 3 && fields[0] == kConfirmTag && !fields[1].isEmpty();
        if (!message && !confirmation)
            continue;
        const QByteArray body = line.left(line.lastIndexOf(' '));
        if (lineCheck(body) != fields.last())
            continue;
        JournalEntry e;
        e.line = line + '\n';
        if (message) {
            e.arrival = QDateTime::fromString(QString::fromLatin1(fields[1]), QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
            e.pdu = QString::fromLatin1(fields[2]);
        } else {
            e.confirmed = QString::fromLatin1(fields[1]);
        }
        entries.append(e);
    }
    return entries;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Makes a new or renamed entry of the folder durable.
void syncFolder(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

Reception::Reception(Database& db, EngineState& state, SharedFlagBlock* inboxFlag, const Clock& clock,
                     QObject* parent)
    : QObject(parent), db_(db), st_(state), inboxFlag_(inboxFlag), clock_(clock), assembler_(db, clock)
{
    replayTimer_.setInterval(kReplayIntervalMs);
    connect(&replayTimer_, &QTimer::timeout, this, [this] { replayJournal(); });
    // A journal an earlier run left behind: stored once the event loop runs.
    QTimer::singleShot(0, this, [this] {
        if (!journalPending_ && QFileInfo::exists(journalPath())) {
            journalPending_ = true;
            replayTimer_.start();
            replayJournal();
        }
    });
}

QString Reception::removeAreaCode(const QString& sender, const QString& areaCode)
{
    if (areaCode.isEmpty())
        return sender;
    QString code = areaCode;
    if (!code.startsWith(QLatin1Char('+')))
        code.prepend(QLatin1Char('+'));
    QString out = sender;
    out.remove(code);
    return out;
}

QString Reception::digestOf(const QString& pdu)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(normalisedPdu(pdu).toLatin1(), QCryptographicHash::Sha1).toHex());
}

QString Reception::journalPath() const
{
    if (db_.path().isEmpty())
        return QString();
    return QFileInfo(db_.path()).absoluteDir().filePath(journalFileName());
}

void Reception::DecodeIncomingPDU(const QString& header, const QString& pdu)
{
    Q_UNUSED(header);
    const QDateTime arrival = clock_.now();
    const std::optional<pdu::Deliver> d = pdu::decodeDeliverPdu(pdu);
    if (!d || d->messageType == pdu::MessageDropped) {
        // Nothing to keep: acknowledged so the network stops offering it.
        // Its acknowledgement is one of those counted, so that its "OK" is
        // not taken for another message's.
        lastKept_ = Kept::Dropped;
        unacknowledged_.append(QString());
        st_.bGotCMT = true;
        return;
    }
    if (!journalPending_ && QFileInfo::exists(journalPath()))
        journalPending_ = true;

    // What the journal holds goes first. While the database refuses (the
    // last replay found it locked), the message joins the journal at once
    // instead of waiting for the lock again; the replay timer stores both.
    bool tryDatabase = !db_.inTransaction() && !replaying_;
    if (tryDatabase && journalPending_)
        tryDatabase = !lastReplayBusy_ && (replayJournal() || !lastReplayBusy_);
    if (tryDatabase) {
        const Store r = storeOne(pdu, *d, arrival);
        if (r == Store::Stored || r == Store::AlreadyKept) {
            lastKept_ = r == Store::Stored ? Kept::Stored : Kept::AlreadyKept;
            unacknowledged_.append(digestOf(pdu));
            st_.bGotCMT = true;
            return;
        }
    }
    if (appendToJournal(pdu, arrival)) {
        lastKept_ = Kept::Journaled;
        unacknowledged_.append(digestOf(pdu));
        journalPending_ = true;
        if (!replayTimer_.isActive())
            replayTimer_.start();
        st_.bGotCMT = true;
        return;
    }
    // Not acknowledged: the network offers the message again later.
    lastKept_ = Kept::NotKept;
    qWarning("Reception: a received message could be neither stored nor journaled; it is not acknowledged");
}

Reception::Store Reception::storeOne(const QString& pdu, const pdu::Deliver& d, const QDateTime& arrival)
{
    // The journal takes the message when the database is locked: no need
    // to wait long for it.
    const Database::ShortWait shortWait(db_, kStoreWaitMs);
    // tbindigest comes with an upgrade that another program's lock may have
    // held back at start.
    if (!db_.upgrade())
        return db_.lastWasBusy() ? Store::Busy : Store::Failed;
    const QString sender = removeAreaCode(d.sender, st_.sAreaCode);
    const QString digest = digestOf(pdu);

    // Acknowledgements confirmed meanwhile count before the look below.
    if (!writeConfirmations())
        return db_.lastWasBusy() ? Store::Busy : Store::Failed;

    // The part and, with the last part, the whole message are written in one
    // transaction with the digest; a refused step keeps nothing of this part.
    qint64 code = -1;
    {
        Transaction tx(db_);
        if (!tx.ok())
            return db_.lastWasBusy() ? Store::Busy : Store::Failed;
        const Recordset seen =
            db_.query(QStringLiteral("SELECT acked FROM tbindigest WHERE digest=?"), {digest});
        if (!seen.ok())
            return db_.lastWasBusy() ? Store::Busy : Store::Failed;
        // Delivered again while its acknowledgement is not confirmed.
        if (!seen.isEmpty() && seen.value(0, 0).toInt() == 0)
            return Store::AlreadyKept;
        const PartAssembler::Outcome kept = assembler_.add(sender, d, arrival);
        if (!kept.ok)
            return db_.lastWasBusy() ? Store::Busy : Store::Failed;
        if (!db_.exec(QStringLiteral("INSERT OR REPLACE INTO tbindigest(digest, received, acked) VALUES(?, ?, 0)"),
                      {digest, dbtime::toDb(arrival)})) {
            qWarning("Reception: cannot record a received message: %s", qPrintable(db_.lastError()));
            return db_.lastWasBusy() ? Store::Busy : Store::Failed;
        }
        if (!journalPending_)
            pruneDigests();
        code = kept.code;
        if (!tx.commit()) {
            qWarning("Reception: commit failed: %s", qPrintable(db_.lastError()));
            return db_.lastWasBusy() ? Store::Busy : Store::Failed;
        }
    }
    if (code > 0)
        announce(code, sender, d.messageType, d.requestType);
    return Store::Stored;
}

void Reception::acknowledgementSent()
{
    acknowledging_ += unacknowledged_;
    unacknowledged_.clear();
}

void Reception::acknowledgementFailed()
{
    // An error, "+CMS ERROR: 340" or no answer: the modem may have given
    // the message up, and the network delivers it again. Still taken for a
    // redelivery when it comes.
    acknowledging_.clear();
}

void Reception::acknowledgementConfirmed()
{
    // A modem holds its next indication until the last one is acknowledged
    // (or it gave up waiting): the "OK" is surely for a message only when
    // one alone (maybe delivered again) was kept since the acknowledgement
    // before. With more, which one it was is not known, and they stay taken
    // for redeliveries.
    QStringList covered = acknowledging_;
    acknowledging_.clear();
    covered.removeDuplicates();
    if (covered.size() != 1 || covered.first().isEmpty())
        return;
    confirmed_ += covered.first();
    if (!journalPending_ && QFileInfo::exists(journalPath()))
        journalPending_ = true;
    // Straight to tbindigest only when the message's row is surely there
    // (the journal holds nothing) and no other transaction is open.
    if (!journalPending_ && !db_.inTransaction() && !replaying_) {
        const Database::ShortWait shortWait(db_, kStoreWaitMs);
        if (writeConfirmations())
            return;
    }
    // Kept in the journal behind the message it confirms, so that a stop
    // does not lose it; the replay applies it.
    QByteArray lines;
    for (const QString& digest : std::as_const(confirmed_))
        lines += confirmationLine(digest);
    if (appendJournalLine(lines)) {
        confirmed_.clear();
        journalPending_ = true;
        if (!replayTimer_.isActive())
            replayTimer_.start();
    }
    // Otherwise it waits in memory for the next store.
}

bool Reception::writeConfirmations()
{
    if (confirmed_.isEmpty())
        return true;
    if (!db_.upgrade())
        return false;
    Transaction tx(db_);
    if (!tx.ok())
        return false;
    for (const QString& digest : std::as_const(confirmed_))
        if (!db_.exec(QStringLiteral("UPDATE tbindigest SET acked=1 WHERE digest=?"), {digest}))
            return false;
    if (!tx.commit())
        return false;
    confirmed_.clear();
    return true;
}

bool Reception::markAcknowledged(const QString& digest)
{
    const Database::ShortWait shortWait(db_, kStoreWaitMs);
    return db_.upgrade() && db_.exec(QStringLiteral("UPDATE tbindigest SET acked=1 WHERE digest=?"), {digest});
}

void Reception::pruneDigests()
{
    // A message the network still offers a week later is not a redelivery.
    if (sincePrune_.isValid() && sincePrune_.elapsed() < kPruneEveryMs)
        return;
    sincePrune_.start();
    db_.exec(QStringLiteral("DELETE FROM tbindigest WHERE received < ?"),
             {dbtime::toDb(clock_.now().addDays(-kDigestKeepDays))});
}

bool Reception::appendToJournal(const QString& pdu, const QDateTime& arrival)
{
    return appendJournalLine(journalLine(pdu, arrival));
}

bool Reception::appendJournalLine(const QByteArray& line)
{
    const QString path = journalPath();
    if (path.isEmpty())
        return false;
    const QByteArray native = QFile::encodeName(path);
    const bool existed = QFileInfo::exists(path);
    const int fd = ::open(native.constData(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        qWarning("Reception: cannot open the receive journal %s", native.constData());
        return false;
    }
    QByteArray bytes = line;
    // A line the program stopped writing is closed first, so that it does
    // not swallow this one.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        char last = '\n';
        if (::pread(fd, &last, 1, info.st_size - 1) == 1 && last != '\n')
            bytes.prepend('\n');
    }
    const bool ok = writeAll(fd, bytes) && ::fdatasync(fd) == 0;
    ::close(fd);
    if (!ok) {
        qWarning("Reception: cannot write the receive journal %s", native.constData());
        return false;
    }
    if (!existed)
        syncFolder(QFileInfo(path).absolutePath());
    return true;
}

bool Reception::replayJournal()
{
    lastReplayBusy_ = false;
    if (!journalPending_) {
        replayTimer_.stop();
        return true;
    }
    // Rows stored inside another part's open transaction would share its
    // fate; and a replay does not run inside itself.
    if (replaying_ || db_.inTransaction()) {
        lastReplayBusy_ = true;
        return false;
    }
    const QString path = journalPath();
    QFile file(path);
    if (!file.exists()) {
        journalPending_ = false;
        replayTimer_.stop();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("Reception: cannot read the receive journal %s", qPrintable(path));
        return false;
    }
    const QByteArray contents = file.readAll();
    file.close();

    replaying_ = true;
    QByteArray left;                 // lines kept for a later round, ahead of the rest
    QSet<QString> waiting;           // digests of those: their confirmations wait behind them
    QSet<QString> storedHere;        // since the journal on disk was last cut down
    QSet<QString> confirmedHere;
    qint64 onDisk = contents.size(); // the journal's size as this round last left it
    bool busy = false;
    bool sliceOver = false;
    bool changed = false;            // a line was appended meanwhile (a nested event loop)
    QElapsedTimer spent;
    spent.start();
    const QList<JournalEntry> entries = readJournal(contents);
    // Cuts the journal down to the lines kept and those from entry `from`
    // on. A stored line is otherwise recognised by its digest, but only as
    // long as its acknowledgement is not confirmed.
    auto cutDown = [&](qsizetype from) {
        QByteArray bytes = left;
        for (qsizetype j = from; j < entries.size(); ++j)
            bytes += entries.at(j).line;
        if (!rewriteJournal(bytes, onDisk)) {
            changed = true;
            return false;
        }
        onDisk = bytes.size();
        storedHere.clear();
        confirmedHere.clear();
        return true;
    };
    qsizetype i = 0;
    for (; i < entries.size(); ++i) {
        if (spent.elapsed() >= kReplaySliceMs) {
            // The rest follows at once from the event loop.
            sliceOver = true;
            break;
        }
        const JournalEntry& e = entries.at(i);
        if (!e.confirmed.isEmpty()) {
            if (waiting.contains(e.confirmed)) {
                left += e.line;
                continue;
            }
            if (storedHere.contains(e.confirmed) && !cutDown(i))
                break;
            if (!markAcknowledged(e.confirmed)) {
                if (db_.lastWasBusy()) {
                    busy = true;
                    break;
                }
                qWarning("Reception: a journaled confirmation cannot be written yet: %s",
                         qPrintable(db_.lastError()));
                left += e.line;
                continue;
            }
            confirmedHere.insert(e.confirmed);
            continue;
        }
        const std::optional<pdu::Deliver> d = pdu::decodeDeliverPdu(e.pdu);
        if (!d || d->messageType == pdu::MessageDropped)
            continue;
        const QString digest = digestOf(e.pdu);
        if (confirmedHere.contains(digest) && !cutDown(i))
            break;
        const Store r = storeOne(e.pdu, *d, e.arrival.isValid() ? e.arrival : clock_.now());
        if (r == Store::Busy) {
            // The rest waits for the next round, in order.
            busy = true;
            break;
        }
        if (r == Store::Failed) {
            // Kept for a later round; the others need not wait for it.
            qWarning("Reception: a journaled message cannot be stored yet: %s", qPrintable(db_.lastError()));
            left += e.line;
            waiting.insert(digest);
            continue;
        }
        storedHere.insert(digest);
    }
    replaying_ = false;
    if (changed)
        return false; // the next round reads the journal again
    if (sliceOver) {
        lastReplayBusy_ = true; // a new message waits behind the rest
        cutDown(i);
        QTimer::singleShot(0, this, [this] { replayJournal(); });
        return false;
    }
    if (busy) {
        lastReplayBusy_ = true;
        cutDown(i);
        return false;
    }
    if (!cutDown(entries.size()))
        return false;
    if (!left.isEmpty())
        return false;
    journalPending_ = false;
    replayTimer_.stop();
    return true;
}

bool Reception::rewriteJournal(const QByteArray& bytes, qint64 expectedSize)
{
    const QString path = journalPath();
    // A line appended meanwhile is kept: the journal is then left as it
    // is, and the stored lines are recognised by their digests next time.
    const QFileInfo now(path);
    if (!now.exists() || now.size() != expectedSize)
        return false;
    if (bytes.isEmpty())
        return QFile::remove(path) || !QFileInfo::exists(path);
    if (bytes.size() == expectedSize)
        return true; // nothing taken out
    // Only what is still to be done stays: written beside, flushed, then
    // put in place.
    const QString fresh = path + QStringLiteral(".new");
    const int fd = ::open(QFile::encodeName(fresh).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool ok = writeAll(fd, bytes) && ::fdatasync(fd) == 0;
    ::close(fd);
    if (ok && ::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(path).constData()) == 0) {
        syncFolder(QFileInfo(path).absolutePath());
        return true;
    }
    QFile::remove(fresh);
    return false;
}

void Reception::announce(qint64 code, const QString& sender, int type, int requestType)
{
    ++st_.iNewSMS;
    st_.bInboxProcessRequest = true;
    if (requestType == pdu::RequestNone)
        st_.bNewMsgAlert = true;
    st_.sngInboxFlag = 1.0f;
    if (inboxFlag_)
        inboxFlag_->writeFloat(st_.sngInboxFlag);

    QDateTime created =
        dbtime::fromDb(db_.query(QStringLiteral("SELECT msgcreated FROM tbinqueue WHERE msgcode=?"), {code})
                           .value(0, 0));
    if (!created.isValid())
        created = clock_.now();
    QString name;
    const Recordset rs =
        db_.query(QStringLiteral("SELECT addrnam1, addrnam2 FROM tbaddrs WHERE addrno=?"), {sender});
    if (!rs.isEmpty())
        name = NullToEmpty(rs.value(0, 0)) + QLatin1Char(' ') + NullToEmpty(rs.value(0, 1));
    emit messageStored(code, created, name, sender, type, requestType);
}
