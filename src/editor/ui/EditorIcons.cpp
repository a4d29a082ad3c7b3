#include "editor/ui/EditorIcons.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygon>
#include <cmath>

namespace editor {

namespace {

constexpr int kSize = 20;
const QColor kInk(0x20, 0x20, 0x20);
const QColor kPaper(0xE0, 0xFF, 0xEE);
const QColor kAccent(0x2a, 0x6f, 0xc9);

QPen pen(const QColor& c, qreal width = 1.5, Qt::PenStyle style = Qt::SolidLine)
{
    QPen p(c, width, style);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

void arrow(QPainter& p, QPointF from, QPointF to)
{
    p.setPen(pen(kInk, 2));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << to + d * 1.5 << to - d * 4 + n * 4 << to - d * 4 - n * 4;
    p.setBrush(kInk);
    p.setPen(Qt::NoPen);
    p.drawPolygon(head);
}

void page(QPainter& p, QRectF r, const QColor& fill)
{
    p.setPen(pen(kInk, 1));
    p.setBrush(fill);
    p.drawRect(r);
}

void clipboard(QPainter& p)
{
    p.setPen(pen(kInk, 1));
    p.setBrush(QColor(0xc8, 0x9b, 0x5a));
    p.drawRoundedRect(QRectF(3.5, 3.5, 12, 14), 1.5, 1.5);
    p.setBrush(QColor(0xc0, 0xc0, 0xc0));
    p.drawRect(QRectF(7.5, 2.5, 5, 3));
    page(p, QRectF(8.5, 8.5, 9, 10), Qt::white);
}

void draw(const QString& name, QPainter& p)
{
    if (name == QLatin1String("select")) {
        p.setPen(pen(kInk, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(3.5, 3.5, 13, 13));
    } else if (name == QLatin1String("text")) {
        QFont f = p.font();
        f.setPixelSize(16);
        f.setBold(true);
        p.setFont(f);
        p.setPen(kInk);
        p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("A"));
    } else if (name == QLatin1String("draw")) {
        p.setPen(pen(kInk, 1));
        p.setBrush(QColor(0xf0, 0xc0, 0x40));
        QPolygonF body;
        body << QPointF(13, 3) << QPointF(17, 7) << QPointF(7, 17) << QPointF(3, 17) << QPointF(3, 13);
        p.drawPolygon(body);
        p.setBrush(kInk);
        QPolygonF tip;
        tip << QPointF(3, 17) << QPointF(3, 14.5) << QPointF(5.5, 17);
        p.drawPolygon(tip);
    } else if (name == QLatin1String("paint")) {
        p.setPen(pen(kInk, 1));
        p.setBrush(QColor(0xd8, 0xd8, 0xd8));
        QPolygonF bucket;
        bucket << QPointF(4, 8) << QPointF(11, 3) << QPointF(17, 10) << QPointF(10, 16);
        p.drawPolygon(bucket);
        p.setBrush(kAccent);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(14, 12, 4, 6));
    } else if (name == QLatin1String("line")) {
        p.setPen(pen(kInk, 2));
        p.drawLine(QPointF(3, 17), QPointF(17, 3));
    } else if (name == QLatin1String("box") || name == QLatin1String("filledbox")) {
        p.setPen(pen(kInk, 1.5));
        p.setBrush(name == QLatin1String("box") ? QBrush(Qt::NoBrush) : QBrush(kInk));
        p.drawRect(QRectF(3.5, 5.5, 13, 9));
    } else if (name == QLatin1String("circle") || name == QLatin1String("filledcircle")) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(pen(kInk, 1.5));
        p.setBrush(name == QLatin1String("circle") ? QBrush(Qt::NoBrush) : QBrush(kInk));
        p.drawEllipse(QRectF(3, 4, 14, 12));
    } else if (name == QLatin1String("undo")) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(pen(kInk, 2));
        QPainterPath path;
        path.moveTo(6, 9);
        path.cubicTo(10, 4, 18, 6, 16, 14);
        p.drawPath(path);
        p.setBrush(kInk);
        p.setPen(Qt::NoPen);
        QPolygonF head;
        head << QPointF(2, 9) << QPointF(8, 5) << QPointF(8, 12);
        p.drawPolygon(head);
    } else if (name == QLatin1String("paste")) {
        clipboard(p);
    } else if (name == QLatin1String("copy")) {
        page(p, QRectF(2.5, 2.5, 9, 11), Qt::white);
        page(p, QRectF(7.5, 6.5, 9, 11), Qt::white);
    } else if (name == QLatin1String("cut")) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(pen(kInk, 1.5));
        p.drawLine(QPointF(6, 2), QPointF(12, 13));
        p.drawLine(QPointF(14, 2), QPointF(8, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(3, 12, 5, 5));
        p.drawEllipse(QRectF(12, 12, 5, 5));
    } else if (name == QLatin1String("clear")) {
        page(p, QRectF(3.5, 2.5, 13, 15), Qt::white);
        p.setPen(pen(QColor(0xc0, 0x20, 0x20), 2));
        p.drawLine(QPointF(6, 6), QPointF(14, 14));
        p.drawLine(QPointF(14, 6), QPointF(6, 14));
    } else if (name == QLatin1String("save")) {
        p.setPen(pen(kInk, 1));
        p.setBrush(kAccent);
        p.drawRect(QRectF(2.5, 2.5, 15, 15));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(5.5, 2.5, 9, 6));
        p.setBrush(QColor(0xd8, 0xd8, 0xd8));
        p.drawRect(QRectF(5.5, 11.5, 9, 6));
    } else if (name == QLatin1String("left")) {
        arrow(p, QPointF(16, 10), QPointF(5, 10));
    } else if (name == QLatin1String("right")) {
        arrow(p, QPointF(4, 10), QPointF(15, 10));
    } else if (name == QLatin1String("up")) {
        arrow(p, QPointF(10, 16), QPointF(10, 5));
    } else if (name == QLatin1String("down")) {
        arrow(p, QPointF(10, 4), QPointF(10, 15));
    } else if (name == QLatin1String("fliph")) {
        p.setPen(pen(kInk, 1, Qt::DotLine));
        p.drawLine(QPointF(10, 2), QPointF(10, 18));
        p.setPen(pen(kInk, 1));
        p.setBrush(kInk);
        QPolygonF l, r;
        l << QPointF(8, 4) << QPointF(8, 16) << QPointF(2, 16);
        r << QPointF(12, 4) << QPointF(12, 16) << QPointF(18, 16);
        p.drawPolygon(l);
        p.setBrush(Qt::white);
        p.drawPolygon(r);
    } else if (name == QLatin1String("flipv")) {
        p.setPen(pen(kInk, 1, Qt::DotLine));
        p.drawLine(QPointF(2, 10), QPointF(18, 10));
        p.setPen(pen(kInk, 1));
        p.setBrush(kInk);
        QPolygonF t, b;
        t << QPointF(4, 8) << QPointF(16, 8) << QPointF(16, 2);
        b << QPointF(4, 12) << QPointF(16, 12) << QPointF(16, 18);
        p.drawPolygon(t);
        p.setBrush(Qt::white);
        p.drawPolygon(b);
    } else if (name == QLatin1String("inverse")) {
        p.setPen(pen(kInk, 1));
        p.setBrush(kPaper);
        p.drawRect(QRectF(2.5, 2.5, 15, 15));
        p.setBrush(kInk);
        QPolygonF half;
        half << QPointF(2.5, 2.5) << QPointF(17.5, 2.5) << QPointF(2.5, 17.5);
        p.drawPolygon(half);
    }
}

const QStringList& names()
{
    static const QStringList n = {"select", "text",  "draw", "paint", "line",  "box",   "filledbox", "circle",
                                  "filledcircle", "undo", "paste", "copy", "cut", "clear", "save", "left",
                                  "up", "down", "right", "fliph", "flipv", "inverse"};
    return n;
}

} // namespace

QIcon editorIcon(const QString& name)
{
    if (!names().contains(name))
        return {};
    static QHash<QString, QIcon> cache;
    auto it = cache.find(name);
    if (it != cache.end())
        return *it;
    QIcon icon;
    for (const int scale : {1, 2}) {
        QPixmap pm(kSize * scale, kSize * scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.scale(scale, scale);
        draw(name, p);
        p.end();
        icon.addPixmap(pm);
    }
    cache.insert(name, icon);
    return icon;
}

} // namespace editor
