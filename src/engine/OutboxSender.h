#pragma once
// The Outbox sender: takes the due message of highest priority from
// tboutqueue, sends it as one SMS-SUBMIT per part with "AT+CMGS=" in PDU
// mode, and moves it to Sent Items (tboutlog) as sent ("C") or failed ("E").
//
// Every step of a send is kept in the send journal (SendJournal) before the
// next one is taken, so that no message is sent twice across a crash, a
// lost port or a move to Sent Items that keeps failing:
// - a part the modem confirmed is never sent again;
// - a body that went out without an answer (a time-out, the port lost, the
//   program gone) is written at most once more; when that one goes
//   unanswered too the message is logged failed ("E");
// - a message done with but not yet moved to Sent Items is moved, never
//   sent, by the next call or after the restart.
// A row marked "A" is being sent and is never picked; the start-up's
// recovery decides what becomes of rows left "A".
// A pending close or pause is looked at between tries: the row is left in
// the queue, waiting, and its confirmed parts stay confirmed.
#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include "base/Clock.h"
#include "engine/SendJournal.h"
#include "sms/SubmitPdu.h"

class AtChannel;
class Database;
struct EngineState;

class OutboxSender : public QObject {
    Q_OBJECT
public:
    // The clock decides which rows are due.
    OutboxSender(EngineState& state, Database& db, const Clock& clock = systemClock(), QObject* parent = nullptr);

    void setChannel(AtChannel* channel) { channel_ = channel; }
    AtChannel* channel() const { return channel_; }

    // Sends at most one due message; called by the activity cycle. The
    // first call runs recoverInterruptedSends() when the start-up did not.
    void SendNextOutbox();
    // After a restart: reads the send journal and settles the rows the last
    // session left. A row all of whose parts were confirmed goes to Sent
    // Items as "C", one that may not be written again as "E", one whose
    // move was owed is moved; every other row left "A" waits again. Moves
    // that fail are tried again by every later call. Runs once a session;
    // false (tried again by the next call) when the journal or the database
    // could not be read, and nothing is sent meanwhile.
    bool recoverInterruptedSends();
    bool recovered() const { return recovered_; }
    const SendJournal& journal() const { return journal_; }
    // Moves a queue row to Sent Items with the status "C" or "E", in one
    // transaction; false (rolled back) when any step failed.
    bool MoveOutboxToLog(qint64 code, const QString& name, const QString& number, const QString& status,
                         int type);

    // Messages sent (or given up) whose move to Sent Items has not
    // succeeded yet: only the move is tried again, never the send. Kept in
    // the journal, so a restart knows them too.
    bool hasPendingMove(qint64 code) const { return !journal_.status(code).isEmpty(); }
    int pendingMoveCount() const { return int(journal_.settledCodes().size()); }

    // Time-outs in seconds.
    static constexpr double kCmgsTimeout = 8;
    static constexpr double kTextPduTimeout = 60;
    static constexpr double kPartPduTimeout = 30;
    static constexpr int kTries = 10;
    static constexpr int kPartHexLength = pdu::kPartHexLength;

signals:
    // A row was taken for sending (the Outbox list shows it as sending).
    void rowSending(qint64 code);
    // A row taken for sending was not sent after all (the modem went away,
    // a pause or close) and waits in the queue again.
    void rowWaiting(qint64 code);
    // A row left the queue for Sent Items with the new code and status.
    void rowLogged(qint64 oldCode, qint64 newCode, const QString& status, const QString& name,
                   const QString& number, int type);
    // The third status-bar panel: "Message ID: <code> - Sending...", then "".
    void statusText(const QString& text);

private:
    struct Row {
        qint64 code = 0;
        int type = 0;
        QString number;
        QString content;
        QString name;
        QByteArray id; // SendJournal::rowId
    };
    bool pickDueRow(Row* row);
    // Marks the row "A"; false when the database did not take it.
    bool markSending(qint64 code);
    // Puts a row left "A" back to waiting; false when the database did not
    // take it.
    bool releaseRow(qint64 code);
    // Sends the parts not yet confirmed; "C" when all went, "E" when a part
    // failed ten times, went out twice without an answer, or cannot be
    // sent; empty when the row waits (the modem went away, a close or pause
    // is pending, the journal could not record a step).
    QString send(const Row& row, int mr);
    // Up to ten tries of one part. *tried is set once a try was made in
    // this call.
    enum class TryResult { Sent, Failed, Waiting };
    TryResult sendPart(const Row& row, int part, int total, int mr, const pdu::SubmitPdu& submit,
                       double pduTimeout, bool* tried);
    // Settles the row in the journal and moves it to Sent Items.
    void finish(const Row& row, const QString& status);
    // The moves owed by settled rows.
    void moveSettledRows();

    EngineState& st_;
    Database& db_;
    const Clock& clock_;
    AtChannel* channel_ = nullptr;
    SendJournal journal_;
    bool recovered_ = false;
    // Rows whose return to waiting the database refused; tried again.
    QSet<qint64> unreleased_;
};

