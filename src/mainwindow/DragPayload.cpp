#include "DragPayload.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>

namespace dragpayload {

QMimeData* encode(const DragItems& items)
{
    QJsonObject o;
    o.insert(QStringLiteral("source"), items.source);
    o.insert(QStringLiteral("table"), items.table);
    o.insert(QStringLiteral("keys"), QJsonArray::fromStringList(items.keys));
    auto* data = new QMimeData;
    data->setData(QLatin1String(kMimeType), QJsonDocument(o).toJson(QJsonDocument::Compact));
    return data;
}

std::optional<DragItems> decode(const QMimeData* data)
{
    if (!data || !data->hasFormat(QLatin1String(kMimeType)))
        return std::nullopt;
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(data->data(QLatin1String(kMimeType)), &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    DragItems items;
    items.source = o.value(QStringLiteral("source")).toString();
    items.table = o.value(QStringLiteral("table")).toString();
    for (const QJsonValue& v : o.value(QStringLiteral("keys")).toArray()) {
        if (!v.isString())
            return std::nullopt;
        items.keys << v.toString();
    }
    if (items.source.isEmpty() || items.keys.isEmpty())
        return std::nullopt;
    return items;
}

} // namespace dragpayload
