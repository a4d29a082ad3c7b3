// Which received texts are remote commands: a numbered sender's texts by
// their first characters, never a text from a sender name.
#include <gtest/gtest.h>

#include "sms/DeliverPdu.h"
#include "support/Tpdu.h"

namespace {

pdu::Deliver decoded(const tpdu::DeliverSpec& spec)
{
    const auto hex = tpdu::buildDeliver(spec);
    EXPECT_TRUE(hex.has_value());
    const auto d = pdu::decodeDeliverPdu(hex.value_or(QString()));
    EXPECT_TRUE(d.has_value());
    return d.value_or(pdu::Deliver{});
}

} // namespace

TEST(RemoteRequestSender, OnlyNumberedSendersGiveCommands)
{
    const struct {
        const char* text;
        int requestType;
    } texts[] = {{"#GPSales,hi", pdu::RequestGroupSend}, {"#NU", pdu::RequestNumberUpdate},
                 {"#RU,2", pdu::RequestRetrieve}, {"#nu", pdu::RequestNone}};
    for (const auto& t : texts) {
        tpdu::DeliverSpec numbered;
        numbered.sender = "07700900123";
        numbered.text = QString::fromLatin1(t.text);
        const pdu::Deliver n = decoded(numbered);
        EXPECT_EQ(n.requestType, t.requestType) << t.text;

        // A sender name spelling the same number: stored as an ordinary text
        // under that name.
        tpdu::DeliverSpec named = numbered;
        named.alphanumericSender = true;
        const pdu::Deliver a = decoded(named);
        EXPECT_EQ(a.sender, "07700900123");
        EXPECT_EQ(a.messageType, pdu::MessageText);
        EXPECT_EQ(a.requestType, pdu::RequestNone) << t.text;
        EXPECT_EQ(a.text, n.text);
    }
}
