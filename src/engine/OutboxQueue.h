#pragma once
// The Outbox queue: the only way a message enters tboutqueue. Every row it
// takes raises the Outbox (bOutboxChanged, sngSendCount back to 1), so the
// cycle's sending step looks at once, whoever queued it.
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include "base/Clock.h"

class Database;
class UserPrompt;
struct CycleState;

class OutboxQueue : public QObject {
    Q_OBJECT
public:
    // The clock gives the due time of a row queued for now.
    OutboxQueue(Database& db, UserPrompt& prompt, CycleState& cycle, const Clock& clock = systemClock(),
                QObject* parent = nullptr);
    // "Now" for whoever queues a message without a send time.
    const Clock& clock() const { return clock_; }

    // Queues one message. For a text (type 1) the merge fields are filled
    // from the recipient's address-book entry and the result is checked and
    // packed; other types are stored as given (hex of all parts). Returns
    // true when the row was inserted; on failure shows "Unable to add
    // record" (Database Error) for a database failure and a Warning that
    // says why for a number or a text that cannot be sent.
    bool AddToOutbox(const QString& number, int type, const QString& content, const QDateTime& sendTime,
                     int priority);
    // The same without any message box: the reason goes to *error.
    bool AddToOutboxQuiet(const QString& number, int type, const QString& content,
                          const QDateTime& sendTime, int priority, QString* error = nullptr);
    // Queues the message for every member of the group, each with its own
    // merge fields; returns how many were queued. Each distinct failure is
    // shown once, and a failing member does not stop the others.
    int AddGroupToOutbox(const QString& group, int type, const QString& content, const QDateTime& sendTime,
                         int priority);

    // Copies a Sent Items message back into the queue, due now with the
    // default priority. Returns the new queue code, -1 on failure; when the
    // logged number is one the queue refuses, the reason goes to *refusal.
    qint64 ResendFromLog(qint64 logCode, QString* refusal = nullptr);

    // Whether the queue takes a row for the number (the modem's rule: an
    // optional "+" and 1 to 20 digits). The reason, naming the number, goes
    // to *why when it does not.
    static bool canSendTo(const QString& number, QString* why = nullptr);

    // Whether a merged text can be sent as one GSM 7-bit message: not empty,
    // every character in the GSM default alphabet or its extension table,
    // and at most 160 septets. The reason goes to *why when it cannot.
    static bool canSendText(const QString& text, QString* why = nullptr);

    // The text with the merge fields {sa} {fn} {ln} {mn} {co} {f1} {f2} {f3}
    // replaced by the values of the address-book entry of the number (empty
    // when there is none). *ok is false after a database error.
    QString MergeFields(const QString& number, const QString& text, bool* ok = nullptr);

    // The reason given for a database failure.
    static QString databaseFailureText() { return QStringLiteral("Unable to add record"); }

signals:
    // A row was queued (for the Outbox list when it is shown). The name is
    // the first and last name with a blank between, a blank alone for other
    // types or numbers not in the address book.
    void rowAdded(qint64 code, const QDateTime& sendTime, const QString& name, const QString& number,
                  int type);

private:
    // Text: the number or the text cannot be sent.
    enum class Failure { None, Text, Database };
    // The eight merge values of the number's entry, empty when unknown.
    QStringList addressValues(const QString& number, bool* ok);
    static QString mergeValues(const QString& text, const QStringList& values);
    Failure enqueue(const QString& number, int type, const QString& content, const QDateTime& sendTime,
                    int priority, QString* error);
    // A row went in: the sending step is to look at once.
    void raiseOutbox();

    Database& db_;
    UserPrompt& prompt_;
    CycleState& cycle_;
    const Clock& clock_;
};
