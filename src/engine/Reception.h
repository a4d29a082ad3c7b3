#pragma once
// Reception of short messages: every "+CMT: " indication the modem link cuts
// out is decoded here, the parts of a smart message are joined in tbintemp
// (PartAssembler), and the complete message is stored in tbinqueue. Runs inside
// whatever modem wait is in progress, so it never asks the user anything.
//
// An indication is acknowledged (bGotCMT raised, "AT+CNMA" follows) only
// once the message is kept for good:
//  - stored: the message or part, and its digest in tbindigest, committed in
//    one transaction;
//  - journaled: when the database cannot take it at that moment (another
//    program holds its write lock, a transaction of this program is open),
//    the PDU is appended to the receive journal "received.journal" next to
//    the database and flushed to disk. The journal is replayed into the
//    database as soon as it allows: at start, every kReplayIntervalMs while
//    it holds anything, and before the next message is stored;
//  - dropped: a malformed PDU or a coding that is not kept, as before.
// When neither the database nor the journal takes a message it is not
// acknowledged: the network delivers it again.
//
// The digest of a PDU (tbindigest, kept kDigestKeepDays days) makes every
// store exactly once: a message the network delivers again because the
// program stopped before acknowledging it, or a journal line replayed a
// second time after the program stopped halfway, is recognised and kept
// once. The network delivers again only what was not acknowledged: once
// the modem answered "OK" to the "AT+CNMA" that followed a message, its
// digest is marked acknowledged, and the same PDU arriving later is a new
// message (two alike from the same sender in the same second are alike to
// the byte) and is stored again.
//
// An "OK" confirms a digest only when the acknowledgement covered one
// indication alone (a message dropped on purpose counts as one); an
// acknowledgement that failed or got no answer confirms nothing. A
// confirmation goes to tbindigest at once when the database takes it and
// the journal holds nothing; otherwise it is appended to the journal behind
// the message it confirms, so that it is neither applied before that
// message's row exists nor lost when the program stops.
//
// The journal is a text file, one line per message or confirmation:
//   "V1" SP arrival SP pdu SP check LF
//   "A1" SP digest SP check LF
// arrival is the local time the indication came in ("yyyy-MM-ddTHH:mm:ss"),
// pdu the PDU line as hex digits, digest the one of digestOf(), check the
// first 8 hex digits (lower case) of the SHA-1 of everything before the
// blank that precedes it. A line that is not complete (the program stopped
// while writing it) or whose check does not match is skipped; it was never
// acknowledged. A line is acknowledged only after fdatasync() returned.
// The replay applies the lines in order; before a confirmation is applied
// to a message stored in the same round (or a message is stored whose
// digest the round confirmed) the journal is cut down to what is left, so
// that a replay repeated after a stop never takes a stored line for a new
// message.
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "base/Clock.h"
#include "engine/PartAssembler.h"

class Database;
class SharedFlagBlock;
struct EngineState;
namespace pdu {
struct Deliver;
}

class Reception : public QObject {
    Q_OBJECT
public:
    // How a received indication was dealt with.
    enum class Kept {
        Stored,      // stored in the database now
        AlreadyKept, // the same PDU was stored before (a redelivery)
        Journaled,   // written to the receive journal, stored later
        Dropped,     // malformed or a coding that is not kept
        NotKept,     // neither the database nor the journal took it: not acknowledged
    };

    static constexpr int kReplayIntervalMs = 250;
    // A replay that has worked this long goes on from the event loop (every
    // message is a commit that waits for the disk).
    static constexpr int kReplaySliceMs = 50;
    static constexpr int kDigestKeepDays = 7;
    // How long storing waits for another program's lock before the message
    // goes to the journal instead.
    static constexpr int kStoreWaitMs = 20;
    static QString journalFileName() { return QStringLiteral("received.journal"); }

    // inboxFlag is the "Inbox" shared-memory block; it may be null or
    // unmapped (the flag is then only kept in the engine state). A journal
    // left by an earlier run is replayed from the event loop.
    // The clock gives the arrival times and the age of the digests.
    Reception(Database& db, EngineState& state, SharedFlagBlock* inboxFlag, const Clock& clock = systemClock(),
              QObject* parent = nullptr);

    // The sender without the area code: every occurrence of the area code,
    // with a "+" in front (added when the setting holds none), is removed.
    static QString removeAreaCode(const QString& sender, const QString& areaCode);

    // The digest under which a PDU is recorded in tbindigest.
    static QString digestOf(const QString& pdu);

    // The journal next to the database.
    QString journalPath() const;
    // The journal holds messages not yet stored.
    bool journalPending() const { return journalPending_; }
    // Stores what the journal holds, in order; an entry already stored is
    // skipped. True when the journal is empty afterwards.
    bool replayJournal();
    void setReplayInterval(int ms) { replayTimer_.setInterval(ms); }

    // What happened to the last indication.
    Kept lastKept() const { return lastKept_; }

public slots:
    // One indication: its header line and its PDU line. Raises bGotCMT when
    // the message is kept (or dropped as malformed), see above.
    void DecodeIncomingPDU(const QString& header, const QString& pdu);
    // "AT+CNMA" went to the modem; it covers the messages kept before it.
    void acknowledgementSent();
    // The modem answered it "OK": that message is acknowledged for good.
    void acknowledgementConfirmed();
    // It got an error or no answer: it confirms nothing.
    void acknowledgementFailed();

signals:
    // A message was stored and committed. The Inbox list adds it when it
    // shows the Inbox folder and requestType is 0. name is the address-book
    // entry's first and last name joined by a blank (empty when the number
    // is not in the address book).
    void messageStored(qint64 code, const QDateTime& created, const QString& name, const QString& number,
                       int type, int requestType);

private:
    enum class Store { Stored, AlreadyKept, Busy, Failed };
    Store storeOne(const QString& pdu, const pdu::Deliver& d, const QDateTime& arrival);
    bool appendToJournal(const QString& pdu, const QDateTime& arrival);
    bool appendJournalLine(const QByteArray& line);
    // Sets acked of a digest's row (waiting kStoreWaitMs at most).
    bool markAcknowledged(const QString& digest);
    // Puts bytes in place of the journal, which must still be expectedSize
    // long (nothing appended meanwhile); no bytes remove it.
    bool rewriteJournal(const QByteArray& bytes, qint64 expectedSize);
    void pruneDigests();
    // Marks the digests whose acknowledgement was confirmed; false when the
    // database did not take it (tried again with the next store).
    bool writeConfirmations();
    void announce(qint64 code, const QString& sender, int type, int requestType);

    Database& db_;
    EngineState& st_;
    SharedFlagBlock* inboxFlag_;
    const Clock& clock_;
    PartAssembler assembler_;
    QTimer replayTimer_;
    QElapsedTimer sincePrune_;
    bool journalPending_ = false;
    bool replaying_ = false;
    bool lastReplayBusy_ = false; // the last replay left lines waiting for their turn
    Kept lastKept_ = Kept::NotKept;
    // Digests of the messages kept since the last "AT+CNMA" went out (an
    // empty one for a message dropped), of those it covers, and of those
    // whose confirmation neither the database nor the journal took yet.
    QStringList unacknowledged_;
    QStringList acknowledging_;
    QStringList confirmed_;
};
