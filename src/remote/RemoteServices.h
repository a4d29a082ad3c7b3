#pragma once
// The services that received messages drive: remote group sending ("#GP"),
// auto-forwarding to a group, the unread count ("#NU"), remote retrieval
// ("#RU") and the auto-response. Reception stores a command text with its
// request type (1 "#GP", 2 "#NU", 3 "#RU"); the activity cycle runs the five
// passes below in that order when a message was stored, and each pass serves
// and deletes its request rows and answers through the Outbox queue.
//
// Commands (the case of "#GP", "#NU", "#RU" matters; anything may follow):
//   #GP<group>,<message>  queues <message> to every member of <group> (the
//                         name trimmed, matched as it stands, in any case),
//                         priority 9; only members of the group-sending group
//                         may send it. Without a comma nothing is queued.
//   #NU                   replies "<n> Unread Messages", priority 7, where n
//                         counts the unread ordinary texts of every folder.
//   #RU[,<count>]         replies with the <count> oldest unread ordinary
//                         texts, each as "<sender>-<text>", priority 8, and
//                         marks them read. A count that is not a number, or
//                         is 0 or less, reads as 1; above 32767 as 32767.
// "#NU" and "#RU" are honoured from the remote phone number only.
//
// Who may command: a number is compared in one normal form (blanks and the
// separators - . ( ) removed, the home area code removed as reception removes
// it from senders), and it must then be an optional "+" and 1 to 20 digits.
// Reception gives no request type to a text from an alphanumeric sender (a
// name anyone can choose), so a name that spells the remote number commands
// nothing. A sender's number itself cannot be verified: whoever can make the
// network show the remote number, or a member's number, as sender can give
// these commands.
//
// Every request row, and every message marked read or answered, is changed
// in one transaction with the replies it queues: a reply is queued exactly
// when its row is served. A change that fails ends the pass with one
// report, so a row that cannot be deleted or marked is never served twice.
//
// Work per cycle is bounded: a pass serves at most kRequestsPerPass request
// rows and queues at most about kMessagesPerPass messages; whatever is left
// raises bInboxProcessRequest again and is served by the next cycles. A
// retrieval cut short by the bound keeps its row with the count still owed.
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include "base/Clock.h"

class Database;
class OutboxQueue;
class UserPrompt;
struct EngineState;

class RemoteServices : public QObject {
    Q_OBJECT
public:
    static constexpr int kRequestsPerPass = 25;
    static constexpr int kMessagesPerPass = 50;
    static constexpr int kMaxRetrieveCount = 32767;

    // Without a clock the replies are due at the system time.
    RemoteServices(Database& db, OutboxQueue& queue, EngineState& state, UserPrompt& prompt,
                   const Clock& clock = systemClock(), QObject* parent = nullptr);
    ~RemoteServices() override;

    // The five passes, in the order the cycle runs them.
    void ProcessGroupSend();
    void ProcessAutoForward();
    void ProcessUnreadCount();
    void ProcessRemoteRetrieve();
    void ProcessAutoRespond();

    // A number in the form numbers are compared in; empty when it is no
    // phone number at all.
    static QString normalNumber(const QString& number, const QString& areaCode);
    // The count a "#RU" text asks for (field 1 of its comma list).
    static int retrieveCount(const QString& requestText);
    // "<sender>-<text>", the text cut so that the whole fits one message.
    static QString passOnText(const QString& sender, const QString& text);
    // A "#GP" text split into group and message; false without a comma.
    static bool parseGroupSend(const QString& requestText, QString* group, QString* message);

signals:
    // An Inbox message was marked read by a retrieval or a forward.
    void markedRead(qint64 code);

private:
    struct Row {
        qint64 code = 0;
        QString sender;
        QString text;
        QString folder;
    };
    enum class Pass { GroupSend, AutoForward, UnreadCount, RemoteRetrieve, AutoRespond };

    QDateTime now() const;
    bool isRemotePhone(const QString& sender) const;
    // The numbers of a group, as stored; false after a database error.
    bool groupMembers(const QString& group, QStringList* members);
    // The first request rows of a type, in code order (one more than a pass
    // serves); false after a database error.
    bool requests(int requestType, QList<Row>* rows);
    bool discardRequests(int requestType);
    // Unread texts, oldest first: only ordinary ones, or every one but the
    // "#GP" commands.
    bool unreadTexts(int limit, bool ordinaryOnly, QList<Row>* rows);
    // Queues a text; a refused text is collected for the pass's report, a
    // database failure returns false.
    bool queueText(const QString& number, const QString& text, int priority, int* queued);
    // Deletes a request row inside the open transaction.
    bool deleteRequest(qint64 code);
    // Marks an unread text read inside the open transaction; *gone when it
    // was read or removed meanwhile.
    bool markRead(qint64 code, bool* gone);
    void announceRead(const Row& row);

    // The pass's outcome to the user: one box for a failed change (shown
    // once while the same pass keeps failing) and one for the texts that
    // could not be queued. Neither waits for an answer: the passes run
    // inside the activity cycle.
    void beginPass(Pass pass);
    void fail(const QString& text);
    void endPass();
    // The opening of the passes that serve the remote phone: false when the
    // pass is over already (busy, no remote phone, or the requests could not
    // be read); otherwise the pass is begun and rows holds the requests.
    bool startRemotePhonePass(Pass pass, int requestType, QList<Row>* rows);
    bool busyElsewhere();

    Database& db_;
    OutboxQueue& queue_;
    EngineState& st_;
    UserPrompt& prompt_;
    const Clock& clock_;
    Pass pass_ = Pass::GroupSend;
    unsigned failedPasses_ = 0;
    QString failure_;
    QStringList refused_;
};
