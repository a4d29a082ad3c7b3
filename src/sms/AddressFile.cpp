#include "sms/AddressFile.h"

#include <QStringDecoder>

namespace addrfile {

namespace {

const QChar kQuote = QLatin1Char('"');
const QChar kCr = QLatin1Char('\r');
const QChar kLf = QLatin1Char('\n');

bool isSeparator(QChar c) { return c == QLatin1Char(',') || c == QLatin1Char('\t'); }
bool isLineEnd(QChar c) { return c == kCr || c == kLf; }

// Windows-1252 at 0x80..0x9F; 0 where the code page assigns nothing.
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

QChar windows1252(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F && kHigh[byte - 0x80] != 0)
        return QChar(kHigh[byte - 0x80]);
    return QChar(char16_t(byte));
}

QString decodeText(const QByteArray& bytes)
{
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(body.size());
    for (char c : body)
        text.append(windows1252(static_cast<unsigned char>(c)));
    return text;
}

QString exportValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == kCr && i + 1 < value.size() && value.at(i + 1) == kLf) {
            out.append(QLatin1Char(' '));
            ++i;
        } else if (isLineEnd(c) || c == QLatin1Char('\t')) {
            out.append(QLatin1Char(' '));
        } else {
            out.append(c);
        }
    }
    return out;
}

QByteArray exportRecord(const QStringList& values)
{
    QString line;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            line.append(QLatin1Char('\t'));
        line.append(exportValue(values.at(i)));
    }
    line.append(QLatin1String("\r\n"));
    return line.toUtf8();
}

FieldReader::FieldReader(QString text) : text_(std::move(text)) {}

bool FieldReader::atEnd() const
{
    // Blank lines ahead of the end hold no record either.
    for (qsizetype i = pos_; i < text_.size(); ++i)
        if (!isLineEnd(text_.at(i)))
            return false;
    return true;
}

bool FieldReader::takeLineEnd()
{
    if (pos_ >= text_.size())
        return false;
    const QChar c = text_.at(pos_);
    if (c == kCr) {
        ++pos_;
        if (pos_ < text_.size() && text_.at(pos_) == kLf)
            ++pos_;
        return true;
    }
    if (c == kLf) {
        ++pos_;
        return true;
    }
    return false;
}

bool FieldReader::next(QStringList* fields)
{
    fields->clear();
    const qsizetype n = text_.size();
    // A line with no characters is no record.
    while (takeLineEnd()) {
    }
    if (pos_ >= n)
        return false;

    QString field;
    for (;;) {
        // One field begins at pos_.
        field.clear();
        if (pos_ < n && text_.at(pos_) == kQuote) {
            ++pos_;
            while (pos_ < n) {
                const QChar c = text_.at(pos_);
                if (c == kQuote) {
                    if (pos_ + 1 < n && text_.at(pos_ + 1) == kQuote) {
                        field.append(kQuote);
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                if (isLineEnd(c)) {
                    takeLineEnd();  // dropped; the value goes on
                    continue;
                }
                field.append(c);
                ++pos_;
            }
            // Whatever follows the closing quote in this field is dropped.
            while (pos_ < n && !isSeparator(text_.at(pos_)) && !isLineEnd(text_.at(pos_)))
                ++pos_;
        } else {
            const qsizetype start = pos_;
            while (pos_ < n && !isSeparator(text_.at(pos_)) && !isLineEnd(text_.at(pos_)))
                ++pos_;
            field = text_.mid(start, pos_ - start);
        }
        fields->append(field);
        if (pos_ >= n)
            return true;
        if (isSeparator(text_.at(pos_))) {
            ++pos_;
            continue;  // a separator at the end of a record leaves one empty field
        }
        takeLineEnd();
        return true;
    }
}

QList<QStringList> readAll(const QString& text)
{
    QList<QStringList> out;
    FieldReader reader(text);
    QStringList fields;
    while (reader.next(&fields))
        out.append(fields);
    return out;
}

} // namespace addrfile
