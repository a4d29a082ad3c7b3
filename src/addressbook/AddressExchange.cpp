#include "addressbook/AddressExchange.h"

#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/TextUtil.h"
#include "base/UserPrompt.h"
#include "sms/AddressFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace addrx {

namespace {

const std::array<FileField, kFieldCount> kFields = {{
    {"Salutation", "addrslt", 20},
    {"First Name*", "addrnam1", 255},
    {"Last Name", "addrnam2", 255},
    {"Mobile Number*", "addrno", 20},
    {"Email", "addreml", 255},
    {"Street Address", "addrstaddr", 255},
    {"Postal Code", "addrpcd", 20},
    {"Contact Number", "addrctn", 20},
    {"Extension", "addrcte", 20},
    {"Fax Number", "addrfax", 20},
    {"Company Name", "addrco", 255},
    {"Department", "addrdpt", 255},
    {"Job Title", "addrttl", 255},
    {"Remark", "addrrem", 255},
    {"Custom Field 1", "addrf1", 255},
    {"Custom Field 2", "addrf2", 255},
    {"Custom Field 3", "addrf3", 255},
}};

const QString kTruncated = QStringLiteral("(One or more fields truncated)");

QString allColumns()
{
    QStringList cols;
    for (const FileField& f : kFields)
        cols << QLatin1String(f.column);
    return cols.join(QLatin1Char(','));
}

// The file's error, after its path: "Permission denied" alone does not
// say which file.
QString fileError(const QFileDevice& file)
{
    return QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
}

bool readWholeFile(const QString& path, QString* text, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = fileError(file);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = fileError(file);
        return false;
    }
    *text = addrfile::decodeText(bytes);
    return true;
}

// import.log, written as the import goes; the file is closed when this
// goes out of scope, whatever path the import took.
class ImportLog {
public:
    explicit ImportLog(const QString& path) : file_(path) {}
    bool open() { return file_.open(QIODevice::WriteOnly | QIODevice::Truncate); }
    QString errorString() const { return fileError(file_); }
    void line(const QString& text) { file_.write((text + QLatin1String("\r\n")).toUtf8()); }

private:
    QFile file_;
};

// One record of the import, as ImportRecord and InsertImportedRecord do it.
class RecordImporter {
public:
    RecordImporter(Database& db, const ImportOptions& options, ImportResult& result)
        : db_(db), opt_(options), r_(result)
    {
    }

    // The log line of the record; false when the import must stop.
    bool run(const QStringList& fields, QString* logLine)
    {
        r_.total += 1;
        QString status;
        QString remark;
        QStringList columns;
        QVariantList values;
        QString number;
        for (int t = 0; t < kFieldCount; ++t) {
            const int pos = opt_.mapping[size_t(t)];
            if (pos <= 0)
                continue;
            QString value = fields.value(pos - 1);
            // The number is trimmed and cut once; that one value is checked,
            // replaced, stored and made a member.
            if (t + 1 == kNumberTarget)
                value = trimBlanks(value);
            if (value.size() > kFields[size_t(t)].maxLength) {
                value.truncate(kFields[size_t(t)].maxLength);
                remark = kTruncated;
            }
            if (t + 1 == kNumberTarget)
                number = value;
            columns << QLatin1String(kFields[size_t(t)].column);
            values << (t + 1 == kNumberTarget ? QVariant(value) : NullIfEmpty(value));
        }
        const QString firstName = fields.value(opt_.mapping[kFirstNameTarget - 1] - 1);

        const bool ok = decide(number, firstName, columns, values, &status, &remark);
        *logLine = QStringLiteral("%1\t").arg(r_.total, 7, 10, QLatin1Char('0')) + status + remark;
        return ok;
    }

private:
    bool decide(const QString& number, const QString& firstName, const QStringList& columns,
                const QVariantList& values, QString* status, QString* remark)
    {
        if (number.isEmpty()) {
            *status = QStringLiteral("Failed\t");
            *remark = QStringLiteral("(Mobile Number is blank)");
            r_.failed += 1;
            return true;
        }
        if (trimBlanks(firstName).isEmpty()) {
            *status = QStringLiteral("Failed\t");
            *remark = QStringLiteral("(First Name is blank)");
            r_.failed += 1;
            return true;
        }
        Transaction tx(db_);
        if (!tx.ok()) {
            r_.aborted = true;
            r_.error = db_.lastError();
            return false;
        }
        const Recordset found = db_.query(QStringLiteral("select addrno from tbaddrs where addrno=?"), {number});
        if (!found.ok()) {
            r_.aborted = true;
            r_.error = found.error();
            return false;
        }
        if (!found.isEmpty()) {
            if (!opt_.replace) {
                tx.rollback();
                *status = QStringLiteral("Skipped\t");
                *remark = QStringLiteral("(Duplicate record)");
                r_.skipped += 1;
                return true;
            }
            // Only the address row goes; the memberships of the number stay.
            if (!db_.exec(QStringLiteral("delete from tbaddrs where addrno=?"), {number})) {
                tx.rollback();
                *status = QStringLiteral("Failed\t");
                r_.failed += 1;
                return true;
            }
        }
        QStringList marks;
        for (qsizetype i = 0; i < columns.size(); ++i)
            marks << QStringLiteral("?");
        const bool written =
            db_.exec(QStringLiteral("insert into tbaddrs (%1) values (%2)")
                         .arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                     values) &&
            (opt_.group.isEmpty() ||
             db_.exec(QStringLiteral("insert or ignore into tbaddrgrps (grpnam,addrno) values (?,?)"),
                      {opt_.group, number})) &&
            tx.commit();
        if (!written) {
            tx.rollback();
            *status = QStringLiteral("Failed  ");
            r_.failed += 1;
            return true;
        }
        r_.inserted = true;
        *status = QStringLiteral("OK      ");
        r_.imported += 1;
        return true;
    }

    Database& db_;
    const ImportOptions& opt_;
    ImportResult& r_;
};

} // namespace

const std::array<FileField, kFieldCount>& fileFields() { return kFields; }

// ------------------------------------------------------------ export

bool writeExportFile(Database& db, const QStringList& numbers, const QString& path, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QString sql = QStringLiteral("select %1 from tbaddrs where addrno=?").arg(allColumns());
    for (const QString& number : numbers) {
        const Recordset rs = db.query(sql, {number});
        if (!rs.ok()) {
            *error = rs.error();
            file.cancelWriting();
            return false;
        }
        if (rs.isEmpty())
            continue;
        QStringList values;
        for (const QVariant& v : rs.rows().first())
            values << NullToEmpty(v);
        if (file.write(addrfile::exportRecord(values)) < 0) {
            *error = file.errorString();
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool exportAddresses(Database& db, UserPrompt& prompt, const QStringList& numbers, const QString& path)
{
    if (path.isEmpty())
        return false;
    if (QFileInfo::exists(path) &&
        prompt.show(UserPrompt::Icon::Question, QStringLiteral("File already exists"),
                    QStringLiteral("Overwrite existing file?"), UserPrompt::Buttons::OkCancel) != UserPrompt::Answer::Ok)
        return false;
    QString error;
    if (!writeExportFile(db, numbers, path, &error)) {
        prompt.error(error);
        return false;
    }
    prompt.show(UserPrompt::Icon::Information, QStringLiteral("Note"), QStringLiteral("Export completed"),
                UserPrompt::Buttons::Ok);
    return true;
}

// ------------------------------------------------------------ import

bool mappingComplete(const Mapping& mapping)
{
    return mapping[kFirstNameTarget - 1] > 0 && mapping[kNumberTarget - 1] > 0;
}

QString ImportResult::summaryText() const
{
    return QStringLiteral("Total: %1\r\nImported: %2\r\nSkipped: %3\r\nFailed: %4\r\n\r\n"
                          "Click Yes to view the log file")
        .arg(total)
        .arg(imported)
        .arg(skipped)
        .arg(failed);
}

bool readFirstRecord(const QString& file, QStringList* fields, QString* error)
{
    QString text;
    if (!readWholeFile(file, &text, error))
        return false;
    addrfile::FieldReader reader(text);
    if (!reader.next(fields)) {
        *error = QStringLiteral("Input past end of file");
        return false;
    }
    return true;
}

ImportResult importFile(Database& db, const ImportOptions& options, const QString& logPath,
                        const ImportProgress& progress)
{
    ImportResult r;
    ImportLog log(logPath);
    if (!log.open()) {
        r.aborted = true;
        r.error = log.errorString();
        return r;
    }
    log.line(QStringLiteral("Rec No\tStatus\tRemark"));
    log.line(QStringLiteral("------\t------\t------"));

    QString text;
    if (!readWholeFile(options.file, &text, &r.error)) {
        r.aborted = true;
        return r;
    }
    addrfile::FieldReader reader(std::move(text));
    QStringList fields;
    if (options.skipHeader)
        reader.next(&fields);
    RecordImporter importer(db, options, r);
    qint64 lastReport = -1;
    while (reader.next(&fields)) {
        QString line;
        if (!importer.run(fields, &line))
            return r;  // the log keeps the lines so far, without its end line
        log.line(line);
        if (progress && (reader.position() - lastReport >= 4096 || reader.position() == reader.size())) {
            lastReport = reader.position();
            progress(reader.position(), reader.size());
        }
    }
    log.line(QStringLiteral("--- End of Log ---"));
    return r;
}

QString importLogPath() { return AppPaths::filePath(QStringLiteral("import.log")); }

} // namespace addrx
