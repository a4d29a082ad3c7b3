#pragma once
// The address book's text files: the export of chosen addresses to a TAB
// file and the import of a delimited file with its log, import.log. The
// file formats themselves are in sms/AddressFile.h.
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class Database;
class UserPrompt;

namespace addrx {

constexpr int kFieldCount = 17;
// Targets numbered from 1, as the wizard lists them.
constexpr int kFirstNameTarget = 2;
constexpr int kNumberTarget = 4;

// One address field of the files: the import wizard's label, the tbaddrs
// column and the length a value is cut to on import. The export writes the
// fields in this order, so an exported file maps one to one.
struct FileField {
    const char* label;
    const char* column;
    int maxLength;
};
const std::array<FileField, kFieldCount>& fileFields();

// ------------------------------------------------------------ export

// Writes the full rows of the numbers, in the order given, one record each;
// a number no longer in the book writes nothing. The file appears whole or
// not at all. False with error on a database or file error.
bool writeExportFile(Database& db, const QStringList& numbers, const QString& path, QString* error);

// The whole export after the file name was chosen: asks before replacing a
// file, writes, and reports "Export completed" or the error. Returns true
// when the file was written.
bool exportAddresses(Database& db, UserPrompt& prompt, const QStringList& numbers, const QString& path);

// ------------------------------------------------------------ import

// For each target (index 0 = target 1) the field position in the record,
// counted from 1; 0 = not mapped.
using Mapping = std::array<int, kFieldCount>;

// Import can start once the first name and the mobile number are mapped.
bool mappingComplete(const Mapping& mapping);

struct ImportOptions {
    QString file;
    QString group;          // empty: add to no group
    bool replace = true;    // a duplicate number replaces the stored row; else skipped
    bool skipHeader = true; // the first record holds column names
    Mapping mapping{};
};

struct ImportResult {
    int total = 0;
    int imported = 0;
    int skipped = 0;
    int failed = 0;
    bool inserted = false; // an address row was committed
    bool aborted = false;  // the import stopped; error holds the reason
    QString error;

    // The text of the summary box.
    QString summaryText() const;
};

// Progress: characters of the file read so far, and the file's length.
using ImportProgress = std::function<void(qint64 done, qint64 total)>;

// The first record of a file, as step 2 of the wizard lists it. False with
// error for an unreadable file or one that holds no record.
bool readFirstRecord(const QString& file, QStringList* fields, QString* error);

// Imports the file under the options and writes the log to logPath (its
// lines end CR LF). Each record is its own transaction and gets one log
// line; an abort leaves the log without its end line. Both files are
// closed on every path.
ImportResult importFile(Database& db, const ImportOptions& options, const QString& logPath,
                        const ImportProgress& progress = {});

// The program's import.log.
QString importLogPath();

} // namespace addrx
