#pragma once
// The Outbox queue: the only way a message enters tboutqueue.
#include <QDateTime>
#include <QObject>
#include <QString>

class Database;

class OutboxQueue : public QObject {
    Q_OBJECT
public:
    explicit OutboxQueue(Database& db, QObject* parent = nullptr);

    // Queues one message. For a text (type 1) the merge fields are filled
    // from the recipient's address-book entry and the result is checked and
    // packed; other types are stored as given (hex of all parts). Returns
    // true when the row was inserted; on failure shows "Unable to add
    // record" (Database Error) for a database failure and "..." for a text
    // that cannot be sent.
    bool AddToOutbox(const QString& number, int type, const QString& content, const QDateTime& sendTime,
                     int priority);
    // The same without any message box: the reason goes to *error.
    bool AddToOutboxQuiet(const QString& number, int type, const QString& content,
                          const QDateTime& sendTime, int priority, QString* error = nullptr);
    // Queues the message for every member of the group; returns how many
    // were queued.
    int AddGroupToOutbox(const QString& group, int type, const QString& content, const QDateTime& sendTime,
                         int priority);

    // Whether a merged text can be sent as one GSM 7-bit message: not empty,
    // every character in the GSM default alphabet or its extension table,
    // and at most 160 septets. The reason goes to *why when it cannot.
    static bool canSendText(const QString& text, QString* why = nullptr);

signals:
    // A row was queued (for the Outbox list when it is shown).
    void rowAdded(qint64 code, const QDateTime& sendTime, const QString& name, const QString& number,
                  int type);

private:
    Database& db_;
};
