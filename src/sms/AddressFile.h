#pragma once
// The delimited text files of the address book: the export's TAB file and
// the import's field reader, with the text decoding both sides use. Pure
// functions over bytes and text; opening and writing files is the caller's.
//
// Export: one record per line, fields separated by TAB, CR LF after every
// record (the last one too), no heading line, UTF-8 without a byte-order
// mark. A TAB or line break inside a value is written as one blank, so a
// value can never split its record.
//
// Import: "," and TAB both separate fields, in every file. A field whose
// first character is a double quote is quoted: inside it "" stands for one
// quote, separators belong to the value, a line break is dropped and the
// field goes on with the next line, and a single quote closes it; what
// follows the closing quote up to the next separator or record end is
// dropped. In an unquoted field the quote is an ordinary character. Outside
// quotes CR LF, a lone LF and a lone CR each end a record; the end of the
// text ends the last one. A line with no characters at all is no record.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace addrfile {

// The text of a file's bytes: a UTF-8 byte-order mark is dropped; the rest
// is read as UTF-8 when all of it is valid UTF-8, else as Windows-1252
// (Latin-1 for the five codes that Windows-1252 leaves unassigned).
QString decodeText(const QByteArray& bytes);
// The character Windows-1252 gives a byte.
QChar windows1252(unsigned char byte);

// A value as the export writes it: each CR LF, lone CR, lone LF and TAB
// becomes one blank.
QString exportValue(const QString& value);
// One export record: the values joined by TAB, then CR LF, as UTF-8.
QByteArray exportRecord(const QStringList& values);

// Reads the records of an import text one after the other.
class FieldReader {
public:
    explicit FieldReader(QString text);

    // The next record's fields (at least one); false at the end of the text.
    bool next(QStringList* fields);
    bool atEnd() const;
    // How far the reader has come, in characters of the text.
    qsizetype position() const { return pos_; }
    qsizetype size() const { return text_.size(); }

private:
    // Consumes a record end at pos_ (CR LF, LF or CR); false when none is
    // there.
    bool takeLineEnd();

    QString text_;
    qsizetype pos_ = 0;
};

// Every record of a text (tests and small files).
QList<QStringList> readAll(const QString& text);

} // namespace addrfile
