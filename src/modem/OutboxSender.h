#pragma once
// The Outbox sender: takes the due message of highest priority from
// tboutqueue, sends it as one SMS-SUBMIT per part with "AT+CMGS=" in PDU
// mode, and moves it to Sent Items (tboutlog) as sent ("C") or failed ("E").
#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include "sms/SubmitPdu.h"

class AtChannel;
class Database;
struct EngineState;

class OutboxSender : public QObject {
    Q_OBJECT
public:
    OutboxSender(EngineState& state, Database& db, QObject* parent = nullptr);

    void setChannel(AtChannel* channel) { channel_ = channel; }
    AtChannel* channel() const { return channel_; }

    // Sends at most one due message; called by the activity cycle.
    void SendNextOutbox();
    // Moves a queue row to Sent Items with the status "C" or "E", in one
    // transaction; false (rolled back) when any step failed.
    bool MoveOutboxToLog(qint64 code, const QString& name, const QString& number, const QString& status,
                         int type);
    // Copies a Sent Items message back into the queue, due now with the
    // default priority. Returns the new queue code, -1 on failure.
    qint64 ResendFromLog(qint64 logCode);

    // Messages sent (or given up) in this session whose move to Sent Items
    // has not succeeded yet: only the move is tried again, never the send.
    bool hasPendingMove(qint64 code) const { return pendingMoves_.contains(code); }
    int pendingMoveCount() const { return int(pendingMoves_.size()); }

    // Time-outs in seconds.
    static constexpr double kCmgsTimeout = 8;
    static constexpr double kTextPduTimeout = 60;
    static constexpr double kPartPduTimeout = 30;
    static constexpr int kTries = 10;
    static constexpr int kPartHexLength = pdu::kPartHexLength;

signals:
    // A row was taken for sending (the Outbox list shows it as sending).
    void rowSending(qint64 code);
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
    };
    struct PendingMove {
        QString status;
        QString name;
        QString number;
        int type = 0;
    };
    bool pickDueRow(Row* row);
    // Sends every part; "C" when all went, "E" when a part failed ten
    // times or cannot be sent; empty when the modem went away meanwhile.
    QString send(const Row& row, int mr);
    // Up to ten tries of one PDU.
    enum class TryResult { Sent, Failed, NoModem };
    TryResult sendPart(const pdu::SubmitPdu& submit, double pduTimeout);
    void retryPendingMoves();

    EngineState& st_;
    Database& db_;
    AtChannel* channel_ = nullptr;
    QHash<qint64, PendingMove> pendingMoves_;
};

