// Fuzzes the SMS-DELIVER decoder. The first input byte picks the form: odd,
// the rest is taken as octets and given to the decoder as hex (so the
// fuzzer reaches the field logic); even, the rest is given as text as it
// stands (hex validation, blanks, odd lengths). A decoded message must keep
// the decoder's promises; breaking one aborts.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "sms/DeliverPdu.h"

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool isUpperHex(const QString& s)
{
    if (s.size() % 2)
        return false;
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if (!((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F')))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QString input = (data[0] & 1) ? QString::fromLatin1(rest.toHex()) : QString::fromLatin1(rest);
    const std::optional<pdu::Deliver> d = pdu::decodeDeliverPdu(input);
    if (!d)
        return 0;
    require(d->messageType >= pdu::MessageDropped && d->messageType <= pdu::MessageUnicode);
    require(d->requestType >= pdu::RequestNone && d->requestType <= pdu::RequestRetrieve);
    require(isUpperHex(d->userData));
    require(d->userData.size() <= input.size());
    if (d->messageType == pdu::MessageDropped)
        require(d->requestType == pdu::RequestNone);
    if (d->messageType == pdu::MessageUnicode || d->requestType != pdu::RequestNone)
        require(d->partTotal == 1 && d->partSequence == 1);
    if (((d->dcs >> 2) & 3) == 0)
        for (const QChar c : d->text)
            require(c.unicode() < 0x80);
    return 0;
}
