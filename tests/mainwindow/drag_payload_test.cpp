#include "mainwindow/DragPayload.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

TEST(DragPayload, KeepsSourceTableAndKeysAcrossTheDrag)
{
    const DragItems sent{QStringLiteral("lsvMessage"), QStringLiteral("tboutlog"),
                         {QStringLiteral("17"), QStringLiteral("4"), QStringLiteral("+44 7700 900123, \"x\"")}};
    std::unique_ptr<QMimeData> data(dragpayload::encode(sent));
    const auto got = dragpayload::decode(data.get());
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->source, sent.source);
    EXPECT_EQ(got->table, sent.table);
    EXPECT_EQ(got->keys, sent.keys);
}

TEST(DragPayload, RefusesForeignEmptyOrMalformedData)
{
    EXPECT_FALSE(dragpayload::decode(nullptr).has_value());

    QMimeData text;
    text.setText(QStringLiteral("17"));
    EXPECT_FALSE(dragpayload::decode(&text).has_value());

    QMimeData broken;
    broken.setData(QLatin1String(dragpayload::kMimeType), "{\"source\":\"lsvSIM\",\"keys\":[1,2]");
    EXPECT_FALSE(dragpayload::decode(&broken).has_value());

    QMimeData numbers;
    numbers.setData(QLatin1String(dragpayload::kMimeType), "{\"source\":\"lsvSIM\",\"keys\":[1,2]}");
    EXPECT_FALSE(dragpayload::decode(&numbers).has_value());

    std::unique_ptr<QMimeData> none(dragpayload::encode({QStringLiteral("lsvSIM"), {}, {}}));
    EXPECT_FALSE(dragpayload::decode(none.get()).has_value());
}
