#pragma once
// The send form's engine half: the checks of a Send in their fixed order,
// the content each kind of message is stored with, and the walk of the
// recipients (typed numbers, a file of numbers, picked addresses and
// groups) through the Outbox queue. No window here: the form hands in what
// its controls hold and shows what comes back; every message box goes
// through the UserPrompt.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>

#include "sms/MonoBitmap.h"

class Database;
class UserPrompt;
struct EngineState;

namespace compose {

// The message kinds of the form, with their MessageType values.
enum MessageKind : int {
    KindText = 1,
    KindRingtone = 2,
    KindLogo = 3,
    KindPicture = 4,
};

enum class RecipientMode { Numbers, File, AddressBook };

// The longest text message typed in the form, and the longest picture text.
constexpr int kMaxMessageText = 160;
constexpr int kMaxPictureText = 121;
// Every message the form queues has this priority.
constexpr int kSendPriority = 9;

// --- Recipients ------------------------------------------------------------

// The numbers of a comma list: each element trimmed, empty ones skipped.
QStringList splitNumberList(const QString& text);

// The numbers of a text file, one a line: blanks, TABs and CRs around each
// line removed, blank lines skipped.
struct NumberFile {
    bool ok = false;
    QString error;     // why the file could not be read
    QStringList numbers;
};
NumberFile readNumberFile(const QString& path);

// "N Address, M Group": the plural forms from 2 on.
QString recipientSummary(int addresses, int groups);

// --- Checks ----------------------------------------------------------------

// The operator code as the logo carries it: every blank removed.
QString compactOperatorCode(const QString& typed);
// Five or six decimal digits (after compactOperatorCode).
bool isValidOperatorCode(const QString& code);

// Whether the text can be written in the GSM alphabet; the characters that
// cannot go to *offending, each once.
bool textHasGsmForm(const QString& text, QString* offending = nullptr);

// The send time: the day of one picker and the hour and minute of the
// other, seconds dropped.
QDateTime sendTimeOf(const QDate& date, const QTime& time);

// --- Message texts -----------------------------------------------------------

namespace text {
inline const QString kBlankMessage = QStringLiteral("Message cannot be blank.\nPlease check and try again.");
inline const QString kNoLogo = QStringLiteral("Please select Logo File");
inline const QString kBadOperatorCode = QStringLiteral("Invalid Operator Code");
inline const QString kNoPicture = QStringLiteral("Please select Picture File");
inline const QString kNoRingtone = QStringLiteral("Please select Ring Tone");
inline const QString kNoAddress = QStringLiteral("You have not selected any Address.\nPlease check and try again.");
inline const QString kNoFile = QStringLiteral("Please select file");
inline const QString kNoNumber = QStringLiteral("Phone number cannot be blank");
inline const QString kQueued = QStringLiteral("Message Successfully Sent to Out Queue");
inline const QString kSomeNotQueued = QStringLiteral("At least one message not sent to Out Queue");
inline const QString kFileIncomplete =
    QStringLiteral("File processing not complete.\nCheck Message Queue for successful records.");
inline const QString kListIncomplete =
    QStringLiteral("List processing not complete.\nCheck Message Queue for successful records.");
inline const QString kFileHasNoNumbers = QStringLiteral("The file holds no phone numbers.\nPlease check and try again.");
inline const QString kGroupsEmpty =
    QStringLiteral("The selected groups have no members.\nPlease check and try again.");
inline const QString kPictureTextTooLong =
    QStringLiteral("The picture text is longer than 121 characters.\nPlease check and try again.");
QString badCharacters(const QString& offending);
// The numbers the modem cannot send to, each already quoted (and named).
QString badNumbers(const QStringList& labels);
} // namespace text

// --- Send ------------------------------------------------------------------

// What the form holds when Send is pressed.
struct SendRequest {
    int kind = KindText;            // sngMsgType
    bool cannedSelected = false;    // the canned kind button is the chosen one
    QString text;                   // txtMessage, as typed
    bool logoLoaded = false;
    sms::MonoBitmap logo;
    QString operatorCode;           // txtOperatorCode, as typed
    bool pictureLoaded = false;
    sms::MonoBitmap picture;
    QString pictureText;
    QString ringtoneHex;            // the encoded stream; empty until chosen
    QString previousContent;        // sMsgContent before the Send

    RecipientMode mode = RecipientMode::AddressBook;
    QString numbers;                // txtNumber
    QString filePath;               // txtFilePath
    QStringList pickedGroups;       // in pick order
    QStringList pickedNumbers;      // the numbers of the picked addresses

    QDate date;
    QTime time;
};

// What the form does afterwards.
struct SendResult {
    enum class Focus { None, Message, CannedList, OperatorCode, Number };
    // Whether an enqueue procedure ran (whatever its outcome).
    bool walked = false;
    // Rows queued by this Send.
    int queued = 0;
    // The field that takes the focus after a refusal.
    Focus focus = Focus::None;
    // The form opens its number-file dialog (Use File without a file).
    bool chooseFile = false;
    // The values the form writes back into its boxes.
    QString operatorCode;
    QString numbers;
    // sMsgContent after the Send.
    QString content;
};

class SendLogic {
public:
    // One Outbox row; true when it was queued. The queue reports its own
    // failures to the user.
    using Enqueue = std::function<bool(const QString& number, int type, const QString& content,
                                       const QDateTime& sendTime, int priority)>;

    SendLogic(Database& db, UserPrompt& prompt, EngineState& state, Enqueue enqueue);

    // Told true while a file or a list is walked, false before the result
    // is shown (the form shows the busy pointer meanwhile).
    void setBusyHook(std::function<void(bool busy)> hook) { busy_ = std::move(hook); }

    // The content of the kind being composed (sMsgContent), or a refusal:
    // the message is shown and *refused set. The operator code written
    // back (blanks removed) goes to result->operatorCode.
    QString buildContent(const SendRequest& request, SendResult* result, bool* refused);

    // The whole Send: the content, then the recipients, then the walk.
    SendResult send(const SendRequest& request);

    // The three enqueue procedures. Each returns the rows queued. A number
    // the modem cannot send to (the rule of the send page and the hand-in)
    // is refused before anything is queued, with a Warning that names it:
    // send() checks the typed numbers, the other two their own.
    // Every element of the list is queued; a failure is remembered and the
    // walk goes on.
    int sendToNumbers(const QString& list, int kind, const QString& content, const QDateTime& when);
    // The numbers of the file; the first failure ends the walk.
    int sendToFile(const QString& path, int kind, const QString& content, const QDateTime& when);
    // The members of each group in order, then the picked addresses;
    // duplicates stay; the first failure ends the walk.
    int sendToList(const QStringList& groups, const QStringList& numbers, int kind, const QString& content,
                   const QDateTime& when);

private:
    // One row; a queued row raises the Outbox's flags at once, so that it
    // goes while a box of the walk waits for its OK.
    bool queueOne(const QString& number, int kind, const QString& content, const QDateTime& when);
    // Shows the Warning and returns true when any of the numbers cannot be
    // sent to; numbers from the address book are named with their entry.
    bool refuseUnsendable(const QStringList& numbers, bool fromAddressBook);

    Database& db_;
    UserPrompt& prompt_;
    EngineState& st_;
    Enqueue enqueue_;
    std::function<void(bool)> busy_;
};

} // namespace compose
