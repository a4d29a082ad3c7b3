// Fuzzes the address import's reader. The input is the file's bytes. The
// reader must end, move forward on every record, never return a record
// without a field or a field holding a line break, and the records it
// returns, written back as quoted comma-separated lines, must read back the
// same. Breaking one of these aborts.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "sms/AddressFile.h"

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

QString quoted(const QStringList& fields)
{
    QStringList out;
    for (QString f : fields)
        out << QLatin1Char('"') + f.replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
    return out.join(QLatin1Char(','));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = addrfile::decodeText(bytes);
    require(text.size() <= bytes.size());

    addrfile::FieldReader reader(text);
    QList<QStringList> records;
    QStringList fields;
    qsizetype last = reader.position();
    while (reader.next(&fields)) {
        require(reader.position() > last && reader.position() <= reader.size());
        last = reader.position();
        require(!fields.isEmpty());
        for (const QString& f : fields)
            require(!f.contains(QLatin1Char('\r')) && !f.contains(QLatin1Char('\n')));
        const QByteArray line = addrfile::exportRecord(fields);
        require(line.endsWith("\r\n") && line.count('\t') == fields.size() - 1);
        require(line.count('\r') == 1 && line.count('\n') == 1);
        records.append(fields);
    }
    require(reader.atEnd());

    QString again;
    for (const QStringList& r : records)
        again += quoted(r) + QLatin1String("\r\n");
    require(addrfile::readAll(again) == records);
    return 0;
}
