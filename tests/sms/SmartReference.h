#pragma once
// A reference reader of smart messages for the tests, written from the
// smart messaging formats and the user data header of 3GPP TS 23.040. It
// shares no code with the codecs under test: stored content is cut and sent
// as the Outbox sender sends it, each SUBMIT is read back with the
// reference TPDU codec of the test support, the parts are checked and
// joined, and the payload is read field by field by its own grammar. Every
// reader is strict: anything unexpected is an error with a reason.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <ostream>
#include <vector>

#include "sms/SubmitPdu.h"
#include "support/Tpdu.h"

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace smartref {

// MSB-first reader over octets; reading past the end is an error.
class Bits {
public:
    explicit Bits(const QByteArray& octets) : data_(octets) {}
    std::optional<int> take(int width)
    {
        if (pos_ + width > qsizetype(data_.size()) * 8)
            return std::nullopt;
        int value = 0;
        for (int i = 0; i < width; ++i, ++pos_)
            value = value * 2 + ((uchar(data_[pos_ / 8]) >> (7 - pos_ % 8)) & 1);
        return value;
    }
    qsizetype position() const { return pos_; }
    qsizetype size() const { return qsizetype(data_.size()) * 8; }

private:
    QByteArray data_;
    qsizetype pos_ = 0;
};

struct Message {
    int port = -1;
    int parts = 0;
    QList<int> partOctets; // user data length of each part, header included
    QByteArray payload;
};

// Reads SUBMITs of one smart message back, in the order sent: 8-bit data, a
// header of exactly a 16-bit port element (originator 0) and an 8-bit
// concatenation element (reference 1, the right total, parts numbered from 1
// in order), one port throughout.
inline std::optional<Message> joinSubmits(const QList<tpdu::Submit>& submits, QString* error)
{
    auto fail = [error](const QString& why) {
        *error = why;
        return std::optional<Message>();
    };
    Message m;
    if (submits.isEmpty())
        return fail(QStringLiteral("no parts"));
    for (int i = 0; i < submits.size(); ++i) {
        const tpdu::Submit& s = submits[i];
        const tpdu::UserDataHeader& h = s.ud.header;
        if (tpdu::alphabetOf(s.dcs) != tpdu::Alphabet::Data8)
            return fail(QStringLiteral("part %1 not 8-bit data").arg(i + 1));
        if (!s.udhi || !s.ud.hasHeader || h.elements.size() != 2)
            return fail(QStringLiteral("part %1: header must hold a port and a concatenation element").arg(i + 1));
        if (h.elements[0].iei != 0x05 || h.elements[1].iei != 0x00)
            return fail(QStringLiteral("part %1: element order").arg(i + 1));
        if (h.originatorPort != 0 || h.concatRef != 1)
            return fail(QStringLiteral("part %1: originator port or reference").arg(i + 1));
        if (i == 0)
            m.port = h.destinationPort;
        else if (h.destinationPort != m.port)
            return fail(QStringLiteral("part %1: port changes").arg(i + 1));
        if (h.concatTotal != submits.size() || h.concatSeq != i + 1)
            return fail(QStringLiteral("part %1: numbered %2 of %3").arg(i + 1).arg(h.concatSeq).arg(h.concatTotal));
        if (s.ud.raw.size() > 140)
            return fail(QStringLiteral("part %1 longer than 140 octets").arg(i + 1));
        m.partOctets << int(s.ud.raw.size());
        m.payload += s.ud.payload;
    }
    m.parts = int(submits.size());
    return m;
}

// Sends stored content as the sender does (a SUBMIT per 280 digits) and
// reads the parts back with joinSubmits.
inline std::optional<Message> sendAndJoin(const QString& content, int type, QString* error)
{
    QList<tpdu::Submit> submits;
    for (qsizetype at = 0; at < content.size(); at += pdu::kPartHexLength) {
        const QString part = content.mid(at, pdu::kPartHexLength);
        const pdu::SubmitPdu sp = pdu::buildSubmitPdu("+447700900123", 7, type, part);
        if (!sp.isValid()) {
            *error = QStringLiteral("sender refused part at digit %1").arg(at);
            return std::nullopt;
        }
        QString why;
        const auto s = tpdu::decodeSubmit(QString::fromLatin1(sp.pdu), true, &why);
        if (!s) {
            *error = QStringLiteral("SUBMIT unreadable: ") + why;
            return std::nullopt;
        }
        submits << *s;
    }
    return joinSubmits(submits, error);
}

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<bool> pixels; // row by row
    bool at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// An OTA bitmap from octet `pos` on: info field 00, width, height, depth 1,
// then width x height bits as one stream, padded with zero bits to a whole
// octet. pos ends after it.
inline std::optional<Bitmap> readOtaBitmap(const QByteArray& b, qsizetype& pos, QString* error)
{
    if (pos + 4 > b.size()) {
        *error = QStringLiteral("bitmap header cut");
        return std::nullopt;
    }
    Bitmap bm;
    const int info = uchar(b[pos]);
    bm.width = uchar(b[pos + 1]);
    bm.height = uchar(b[pos + 2]);
    const int depth = uchar(b[pos + 3]);
    if (info != 0 || depth != 1) {
        *error = QStringLiteral("bitmap info %1 depth %2").arg(info).arg(depth);
        return std::nullopt;
    }
    const qsizetype octets = (qsizetype(bm.width) * bm.height + 7) / 8;
    if (pos + 4 + octets > b.size()) {
        *error = QStringLiteral("bitmap pixels cut");
        return std::nullopt;
    }
    Bits bits(b.mid(pos + 4, octets));
    for (int i = 0; i < bm.width * bm.height; ++i)
        bm.pixels.push_back(*bits.take(1) == 1);
    while (bits.position() < bits.size())
        if (*bits.take(1) != 0) {
            *error = QStringLiteral("bitmap padding not zero");
            return std::nullopt;
        }
    pos += 4 + octets;
    return bm;
}

struct Logo {
    QString operatorCode; // the digits, fillers left out
    Bitmap bitmap;
};

// Operator logo payload: version "0", the operator code in three octets of
// semi-octets (low half first, F for none), line feed, the OTA bitmap, and
// nothing after it.
inline std::optional<Logo> readLogo(const QByteArray& p, QString* error)
{
    if (p.size() < 5 || p[0] != '0' || p[4] != '\n') {
        *error = QStringLiteral("logo version or line feed");
        return std::nullopt;
    }
    Logo logo;
    for (int i = 1; i <= 3; ++i)
        for (const int half : {uchar(p[i]) & 0xF, uchar(p[i]) >> 4})
            if (half <= 9)
                logo.operatorCode += QChar(u'0' + half);
            else if (half != 0xF) {
                *error = QStringLiteral("operator code half-octet %1").arg(half);
                return std::nullopt;
            }
    qsizetype pos = 5;
    const auto bm = readOtaBitmap(p, pos, error);
    if (!bm)
        return std::nullopt;
    if (pos != p.size()) {
        *error = QStringLiteral("data after the logo");
        return std::nullopt;
    }
    logo.bitmap = *bm;
    return logo;
}

struct Picture {
    std::optional<Bitmap> bitmap;
    std::optional<QString> text;
    int items = 0;
};

// Picture message payload: version "0", then items of a type octet, a
// big-endian 2-octet length and exactly that many octets: 00 ISO 8859-1
// text, 02 OTA bitmap. The payload must end with the last item.
inline std::optional<Picture> readPicture(const QByteArray& p, QString* error)
{
    if (p.isEmpty() || p[0] != '0') {
        *error = QStringLiteral("picture version");
        return std::nullopt;
    }
    Picture pic;
    qsizetype pos = 1;
    while (pos < p.size()) {
        if (pos + 3 > p.size()) {
            *error = QStringLiteral("item header cut");
            return std::nullopt;
        }
        const int type = uchar(p[pos]);
        const int length = uchar(p[pos + 1]) * 256 + uchar(p[pos + 2]);
        const QByteArray data = p.mid(pos + 3, length);
        if (data.size() != length) {
            *error = QStringLiteral("item data cut");
            return std::nullopt;
        }
        if (type == 0x00) {
            pic.text = QString::fromLatin1(data);
        } else if (type == 0x02) {
            qsizetype at = 0;
            pic.bitmap = readOtaBitmap(data, at, error);
            if (!pic.bitmap)
                return std::nullopt;
            if (at != data.size()) {
                *error = QStringLiteral("bitmap item length");
                return std::nullopt;
            }
        } else {
            *error = QStringLiteral("item type %1").arg(type);
            return std::nullopt;
        }
        ++pic.items;
        pos += 3 + length;
    }
    return pic;
}

struct Instruction {
    int id = 0;
    QList<int> params;
    bool operator==(const Instruction&) const = default;
};

struct Tone {
    QString title;
    QList<int> patternCounts; // the instruction count of each pattern
    QList<Instruction> instructions;
};

// The ringing-tone programming command by the smart messaging grammar:
// two commands (ringing-tone programming 0100101 and a filler bit; sound
// 0011101 with the basic song type 001: title, patterns); each pattern a
// header (000, pattern id, loop value, instruction count) and exactly that
// many instructions with their parameters; zero bits to the octet, then
// the command end octet 00, and nothing after it.
inline std::optional<Tone> readRingtone(const QByteArray& p, QString* error)
{
    Bits b(p);
    auto need = [&](int width, int expected, const char* what) {
        const auto v = b.take(width);
        if (!v || (expected >= 0 && *v != expected)) {
            *error = QStringLiteral("field %1").arg(QLatin1String(what));
            return -1;
        }
        return *v;
    };
    Tone tone;
    if (need(8, 2, "command count") < 0 || need(7, 0x25, "programming") < 0 || need(1, 0, "filler") < 0 ||
        need(7, 0x1D, "sound") < 0 || need(3, 1, "song type") < 0)
        return std::nullopt;
    const int titleLength = need(4, -1, "title length");
    if (titleLength < 0)
        return std::nullopt;
    for (int i = 0; i < titleLength; ++i) {
        const int c = need(8, -1, "title");
        if (c < 0)
            return std::nullopt;
        tone.title += QChar(char16_t(c));
    }
    const int patterns = need(8, -1, "pattern count");
    if (patterns < 0)
        return std::nullopt;
    static const int paramWidths[8][3] = {{0}, {4, 3, 2}, {2}, {2}, {5}, {4}, {0}, {0}};
    for (int pat = 0; pat < patterns; ++pat) {
        if (need(3, 0, "pattern header") < 0 || need(2, -1, "pattern id") < 0 || need(4, -1, "loop") < 0)
            return std::nullopt;
        const int count = need(8, -1, "instruction count");
        if (count < 0)
            return std::nullopt;
        tone.patternCounts << count;
        for (int i = 0; i < count; ++i) {
            Instruction ins;
            ins.id = need(3, -1, "instruction id");
            if (ins.id < 1 || ins.id > 5) {
                *error = QStringLiteral("instruction %1 has id %2").arg(i).arg(ins.id);
                return std::nullopt;
            }
            for (const int w : paramWidths[ins.id]) {
                if (w == 0)
                    break;
                const int v = need(w, -1, "parameter");
                if (v < 0)
                    return std::nullopt;
                ins.params << v;
            }
            tone.instructions << ins;
        }
    }
    while (b.position() % 8)
        if (need(1, 0, "filler bits") < 0)
            return std::nullopt;
    if (need(8, 0, "command end") < 0)
        return std::nullopt;
    if (b.position() != b.size()) {
        *error = QStringLiteral("data after the command end");
        return std::nullopt;
    }
    return tone;
}

inline void PrintTo(const Instruction& i, std::ostream* os)
{
    *os << "{id " << i.id;
    for (const int p : i.params)
        *os << ' ' << p;
    *os << '}';
}

// Instruction shorthands.
inline Instruction tempo(int code) { return {4, {code}}; }
inline Instruction scale(int code) { return {2, {code}}; }
inline Instruction note(int value, int duration, int specifier = 0) { return {1, {value, duration, specifier}}; }

// Octets as upper-case hex, and a bit text ('0'/'1', blanks ignored) as hex,
// for hand-built input.
inline QString hex(const QByteArray& octets) { return QString::fromLatin1(octets.toHex().toUpper()); }
inline QString bitsHex(const QString& bits)
{
    QByteArray octets;
    int value = 0, n = 0;
    for (const QChar c : bits) {
        if (c != u'0' && c != u'1')
            continue;
        value = value * 2 + (c == u'1');
        if (++n == 8) {
            octets += char(value);
            value = n = 0;
        }
    }
    if (n)
        octets += char(value << (8 - n));
    return hex(octets);
}

} // namespace smartref
