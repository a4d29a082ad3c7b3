#pragma once
// Canned messages: stored texts with a unique title (tbcannedmsg: canttl,
// canmsg) that the send form offers in its canned list, and the merge-field
// codes that the field dialog puts into a text. Titles compare without
// regard to case, as the column's collation says.
#include <QString>
#include <QStringList>
#include <array>

class Database;

namespace compose {

constexpr int kMaxCannedTitle = 50;
constexpr int kMaxCannedText = 160;

// One merge-field code, its caption in the field dialog, and the
// address-book column the Outbox fills it from.
struct MergeField {
    const char* code;
    const char* caption;
    const char* column;
};

// The eight codes in the dialog's order.
const std::array<MergeField, 8>& mergeFields();
// The code chosen when the field dialog opens: {fn}.
constexpr int kDefaultMergeField = 1;

// The counter of the canned dialogs: " 12 of 160 Characters".
QString cannedCountText(int length);

class CannedMessages {
public:
    explicit CannedMessages(Database& db);

    // Every title, in title order. False (and error set) when the table
    // cannot be read.
    bool titles(QStringList* out, QString* error = nullptr);

    enum class Lookup { Found, Missing, Failed };
    // The text stored under the title; empty unless Found.
    Lookup text(const QString& title, QString* text, QString* error = nullptr);

    enum class Result {
        Ok,
        TitleBlank,  // "Message Title cannot be blank"
        TitleExists, // "This Message Title already exists"
        TextBlank,   // "Message Text cannot be blank" / "Message cannot be blank"
        Failed,      // the database refused
    };
    // A new canned message. Title and text are stored without surrounding
    // blanks; *storedTitle and *storedText receive them whatever the result.
    Result add(const QString& title, const QString& text, QString* storedTitle = nullptr,
               QString* storedText = nullptr);
    // The new text of an existing title (the title itself never changes).
    Result update(const QString& title, const QString& text, QString* storedText = nullptr);
    // Removes the title. False when the database refused.
    bool remove(const QString& title);

    QString lastError() const { return error_; }

private:
    Database& db_;
    QString error_;
};

} // namespace compose
