#include "mainwindow/IconStore.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <functional>

// Every picture is drawn on a 16 x 16 unit canvas (the shortcut glyphs and
// the logo on larger ones) and scaled to the size asked for, so all pictures
// share one line weight and one palette.

namespace {

using Art = std::function<void(QPainter&)>;

const QColor kOutline(0x3a, 0x3f, 0x4a);
const QColor kYellow(0xf2, 0xc9, 0x4c);
const QColor kGreen(0x6c, 0xbf, 0x6f);
const QColor kPurple(0xb2, 0x8b, 0xd8);
const QColor kBlue(0x3d, 0x6f, 0xb0);
const QColor kLightBlue(0x86, 0xae, 0xdf);
const QColor kRed(0xc8, 0x4a, 0x45);
const QColor kPaper(0xfb, 0xfb, 0xf7);

QPen outline(qreal w = 0.8) { return QPen(kOutline, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

void folderClosed(QPainter& p, const QColor& c)
{
    p.setPen(outline());
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setBrush(c.darker(125));
    p.drawPath(back);
    QLinearGradient g(0, 6, 0, 13.5);
    g.setColorAt(0, c.lighter(118));
    g.setColorAt(1, c);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 7), 0.8, 0.8);
}

void folderOpen(QPainter& p, const QColor& c)
{
    p.setPen(outline());
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(13.5, 5);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setBrush(c.darker(130));
    p.drawPath(back);
    p.setBrush(kPaper);
    p.drawRect(QRectF(3, 4, 9, 5));
    QPolygonF front;
    front << QPointF(3.5, 7.5) << QPointF(15.5, 7.5) << QPointF(13.5, 13.5) << QPointF(1.5, 13.5);
    QLinearGradient g(0, 7.5, 0, 13.5);
    g.setColorAt(0, c.lighter(125));
    g.setColorAt(1, c);
    p.setBrush(g);
    p.drawPolygon(front);
}

void sim(QPainter& p, bool open)
{
    p.setPen(outline());
    QPolygonF body;
    body << QPointF(3.5, 1.5) << QPointF(10, 1.5) << QPointF(12.5, 4) << QPointF(12.5, 14.5)
         << QPointF(3.5, 14.5);
    p.setBrush(open ? kLightBlue : kBlue);
    p.drawPolygon(body);
    p.setBrush(QColor(0xe8, 0xc0, 0x60));
    p.drawRoundedRect(QRectF(5, 7, 6, 5.5), 0.8, 0.8);
    p.setPen(QPen(QColor(0x9a, 0x7a, 0x2a), 0.6));
    p.drawLine(QPointF(5, 9.75), QPointF(11, 9.75));
    p.drawLine(QPointF(8, 7), QPointF(8, 12.5));
    if (open) {
        p.setPen(QPen(Qt::white, 0.9, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 3.5), QPointF(9, 3.5));
    }
}

void person(QPainter& p, qreal cx, qreal top, qreal scale, const QColor& c)
{
    p.setPen(outline(0.7));
    p.setBrush(c);
    QPainterPath body;
    body.moveTo(cx - 3.6 * scale, top + 9 * scale);
    body.cubicTo(cx - 3.6 * scale, top + 5 * scale, cx + 3.6 * scale, top + 5 * scale, cx + 3.6 * scale,
                 top + 9 * scale);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(0xf4, 0xd3, 0xb0));
    p.drawEllipse(QPointF(cx, top + 2.6 * scale), 2.1 * scale, 2.1 * scale);
}

void group(QPainter& p)
{
    person(p, 10.5, 2.5, 1.0, kLightBlue);
    person(p, 6, 4.5, 1.05, kBlue);
}

void addressCard(QPainter& p)
{
    p.setPen(outline());
    p.setBrush(kPaper);
    p.drawRoundedRect(QRectF(1.5, 3, 13, 10), 1.2, 1.2);
    person(p, 5, 4.5, 0.75, kBlue);
    p.setPen(QPen(QColor(0x8a, 0x93, 0xa0), 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 6.5), QPointF(12.5, 6.5));
    p.drawLine(QPointF(9, 8.8), QPointF(12.5, 8.8));
    p.drawLine(QPointF(9, 11), QPointF(11.5, 11));
}

void bookClosed(QPainter& p)
{
    p.setPen(outline());
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 2.5, 9.5, 12));
    QLinearGradient g(2.5, 0, 12.5, 0);
    g.setColorAt(0, kRed.darker(120));
    g.setColorAt(1, kRed.lighter(112));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2.5, 1.5, 10, 12.5), 0.8, 0.8);
    p.setPen(QPen(kRed.darker(160), 0.8));
    p.drawLine(QPointF(4.2, 1.8), QPointF(4.2, 13.7));
    p.setPen(QPen(QColor(255, 255, 255, 200), 0.8));
    p.drawRect(QRectF(6, 4, 4.5, 2.5));
}

void bookOpen(QPainter& p)
{
    p.setPen(outline());
    p.setBrush(kRed);
    QPolygonF cover;
    cover << QPointF(0.5, 4.5) << QPointF(8, 5.5) << QPointF(15.5, 4.5) << QPointF(15.5, 13.5)
          << QPointF(8, 14.5) << QPointF(0.5, 13.5);
    p.drawPolygon(cover);
    p.setBrush(kPaper);
    QPolygonF left;
    left << QPointF(1.5, 3) << QPointF(8, 4.5) << QPointF(8, 13.5) << QPointF(1.5, 12.5);
    QPolygonF right;
    right << QPointF(14.5, 3) << QPointF(8, 4.5) << QPointF(8, 13.5) << QPointF(14.5, 12.5);
    p.drawPolygon(left);
    p.drawPolygon(right);
    p.setPen(QPen(QColor(0x8a, 0x93, 0xa0), 0.6));
    for (qreal y : {6.5, 8.5, 10.5}) {
        p.drawLine(QPointF(3, y - 0.6), QPointF(6.8, y + 0.2));
        p.drawLine(QPointF(9.2, y + 0.2), QPointF(13, y - 0.6));
    }
}

void envelope(QPainter& p, const QColor& fill, bool open)
{
    p.setPen(outline());
    if (open) {
        p.setBrush(fill.darker(108));
        QPolygonF flap;
        flap << QPointF(1.5, 7) << QPointF(8, 2) << QPointF(14.5, 7);
        p.drawPolygon(flap);
        p.setBrush(kPaper);
        p.drawRect(QRectF(3.5, 4, 9, 6));
        p.setPen(QPen(QColor(0x8a, 0x93, 0xa0), 0.6));
        p.drawLine(QPointF(5, 5.8), QPointF(11, 5.8));
        p.drawLine(QPointF(5, 7.4), QPointF(10, 7.4));
        p.setPen(outline());
    }
    p.setBrush(fill);
    p.drawRect(QRectF(1.5, 7, 13, 7));
    if (!open) {
        p.drawRect(QRectF(1.5, 4, 13, 10));
        p.drawPolyline(QPolygonF() << QPointF(1.5, 4) << QPointF(8, 9.5) << QPointF(14.5, 4));
    } else {
        p.drawPolyline(QPolygonF() << QPointF(1.5, 14) << QPointF(8, 9.5) << QPointF(14.5, 14));
    }
}

void badgeCircle(QPainter& p, const QColor& c)
{
    p.setPen(QPen(Qt::white, 0.9));
    p.setBrush(c);
    p.drawEllipse(QPointF(12, 12), 3.6, 3.6);
}

void mailSend(QPainter& p)
{
    envelope(p, kPaper, false);
    badgeCircle(p, QColor(0x2f, 0x9e, 0x44));
    p.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(10, 12), QPointF(14, 12));
    p.drawPolyline(QPolygonF() << QPointF(12.4, 10.3) << QPointF(14, 12) << QPointF(12.4, 13.7));
}

void mailWait(QPainter& p)
{
    envelope(p, kPaper, false);
    badgeCircle(p, QColor(0xe0, 0x9a, 0x1e));
    p.setPen(QPen(Qt::white, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << QPointF(12, 9.8) << QPointF(12, 12) << QPointF(13.8, 12.8));
}

void mailFailed(QPainter& p)
{
    envelope(p, kPaper, false);
    badgeCircle(p, QColor(0xd0, 0x30, 0x30));
    p.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.6, 10.6), QPointF(13.4, 13.4));
    p.drawLine(QPointF(13.4, 10.6), QPointF(10.6, 13.4));
}

void mailNew(QPainter& p)
{
    envelope(p, QColor(0xff, 0xf1, 0xb8), false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf0, 0x9a, 0x1a));
    p.drawEllipse(QPointF(13.2, 3.2), 2.3, 2.3);
}

void led(QPainter& p, const QColor& c, bool lit)
{
    QRadialGradient g(QPointF(6.5, 6), 7.5);
    g.setColorAt(0, lit ? c.lighter(170) : c.lighter(115));
    g.setColorAt(0.6, c);
    g.setColorAt(1, c.darker(lit ? 140 : 170));
    p.setPen(QPen(kOutline, 0.9));
    p.setBrush(g);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, lit ? 190 : 90));
    p.drawEllipse(QPointF(6.2, 5.6), 2.0, 1.4);
}

void dragStack(QPainter& p)
{
    p.save();
    p.translate(-1, -1.5);
    envelope(p, QColor(0xe4, 0xe8, 0xee), false);
    p.restore();
    p.translate(1, 1.5);
    envelope(p, kPaper, false);
}

const QHash<QString, Art>& arts()
{
    static const QHash<QString, Art> a = {
        {"folderopeny", [](QPainter& p) { folderOpen(p, kYellow); }},
        {"folderclosey", [](QPainter& p) { folderClosed(p, kYellow); }},
        {"foldercloseg", [](QPainter& p) { folderClosed(p, kGreen); }},
        {"folderopeng", [](QPainter& p) { folderOpen(p, kGreen); }},
        {"folderclosep", [](QPainter& p) { folderClosed(p, kPurple); }},
        {"folderopenp", [](QPainter& p) { folderOpen(p, kPurple); }},
        {"simclose", [](QPainter& p) { sim(p, false); }},
        {"simopen", [](QPainter& p) { sim(p, true); }},
        {"group", group},
        {"bookclose", bookClosed},
        {"bookopen", bookOpen},
        {"mailnew", mailNew},
        {"mailold", [](QPainter& p) { envelope(p, QColor(0xe6, 0xe9, 0xee), true); }},
        {"mailsend", mailSend},
        {"mailwait", mailWait},
        {"mailfailed", mailFailed},
        {"address", addressCard},
        {"imgOn", [](QPainter& p) { led(p, QColor(0x32, 0xd0, 0x48), true); }},
        {"imgActiveOff", [](QPainter& p) { led(p, QColor(0x2c, 0x5a, 0x34), false); }},
        {"imgPauseOff", [](QPainter& p) { led(p, QColor(0xb0, 0x3a, 0x2a), false); }},
        {"imgDrag", dragStack},
    };
    return a;
}

QPixmap render(const Art& art, int size, qreal units = 16)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / units, size / units);
    art(p);
    return pm;
}

QPixmap cached(const QString& id, const std::function<QPixmap()>& make)
{
    static QHash<QString, QPixmap> cache;
    auto it = cache.find(id);
    if (it == cache.end())
        it = cache.insert(id, make());
    return it.value();
}

// Shortcut glyphs on a 16-unit canvas, drawn at 32 px.
void trayGlyph(QPainter& p, const QColor& c, bool incoming)
{
    p.setPen(outline(0.7));
    QPolygonF tray;
    tray << QPointF(1.5, 9) << QPointF(4.5, 9) << QPointF(5.8, 11) << QPointF(10.2, 11) << QPointF(11.5, 9)
         << QPointF(14.5, 9) << QPointF(14.5, 14.5) << QPointF(1.5, 14.5);
    QLinearGradient g(0, 9, 0, 14.5);
    g.setColorAt(0, c.lighter(125));
    g.setColorAt(1, c.darker(110));
    p.setBrush(g);
    p.drawPolygon(tray);
    QPolygonF arrow;
    if (incoming)
        arrow << QPointF(6.5, 1) << QPointF(9.5, 1) << QPointF(9.5, 5) << QPointF(12, 5) << QPointF(8, 9.5)
              << QPointF(4, 5) << QPointF(6.5, 5);
    else
        arrow << QPointF(6.5, 9.5) << QPointF(9.5, 9.5) << QPointF(9.5, 5.5) << QPointF(12, 5.5)
              << QPointF(8, 1) << QPointF(4, 5.5) << QPointF(6.5, 5.5);
    p.setBrush(incoming ? QColor(0x2f, 0x9e, 0x44) : QColor(0x6a, 0x4c, 0xa8));
    p.drawPolygon(arrow);
}

void sentGlyph(QPainter& p)
{
    p.setPen(outline(0.7));
    QPolygonF plane;
    plane << QPointF(1, 8) << QPointF(15, 1.5) << QPointF(11.5, 14) << QPointF(8, 10.5);
    p.setBrush(kPaper);
    p.drawPolygon(plane);
    p.setBrush(kYellow);
    QPolygonF fold;
    fold << QPointF(8, 10.5) << QPointF(15, 1.5) << QPointF(6.5, 14.5);
    p.drawPolygon(fold);
}

void addressGlyph(QPainter& p)
{
    p.save();
    p.translate(-1.5, 0);
    bookClosed(p);
    p.restore();
    p.save();
    p.translate(6.5, 6.5);
    p.scale(0.6, 0.6);
    group(p);
    p.restore();
}

QPixmap shortcutPicture(IconStore::Shortcut which, IconStore::ButtonState state)
{
    constexpr int size = 40;
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0.5, 0.5, size - 1, size - 1);
    int offset = 0;
    switch (state) {
    case IconStore::ButtonState::Up:
        p.setPen(QPen(QColor(255, 255, 255, 200), 1));
        p.setBrush(QColor(255, 255, 255, 60));
        p.drawRoundedRect(frame, 5, 5);
        break;
    case IconStore::ButtonState::Down:
        p.setPen(QPen(QColor(0, 0, 0, 120), 1));
        p.setBrush(QColor(0, 0, 0, 60));
        p.drawRoundedRect(frame, 5, 5);
        offset = 1;
        break;
    case IconStore::ButtonState::Inactive:
    case IconStore::ButtonState::Disabled: break;
    }
    QPixmap glyph(32, 32);
    glyph.fill(Qt::transparent);
    {
        QPainter g(&glyph);
        g.setRenderHint(QPainter::Antialiasing);
        g.scale(2, 2);
        switch (which) {
        case IconStore::Shortcut::Inbox: trayGlyph(g, kGreen, true); break;
        case IconStore::Shortcut::Outbox: trayGlyph(g, kPurple, false); break;
        case IconStore::Shortcut::SentItems: sentGlyph(g); break;
        case IconStore::Shortcut::AddressBook: addressGlyph(g); break;
        }
    }
    if (state == IconStore::ButtonState::Disabled) {
        QImage img = glyph.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x) {
                const int v = qGray(line[x]);
                line[x] = qRgba(v, v, v, qAlpha(line[x]) / 2);
            }
        }
        glyph = QPixmap::fromImage(img);
    }
    p.drawPixmap(4 + offset, 4 + offset, glyph);
    return pm;
}

QPixmap logoPicture()
{
    constexpr int w = 80, h = 60;
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(6, 4, 68, 40), 12, 12);
    QPainterPath tail;
    tail.moveTo(20, 40);
    tail.lineTo(14, 55);
    tail.lineTo(34, 42);
    tail.closeSubpath();
    bubble = bubble.united(tail);
    QLinearGradient g(0, 4, 0, 55);
    g.setColorAt(0, QColor(0xff, 0xff, 0xff));
    g.setColorAt(1, QColor(0xdc, 0xe8, 0xf5));
    p.setPen(QPen(QColor(0x1f, 0x3b, 0x5c), 1.5));
    p.setBrush(g);
    p.drawPath(bubble);
    // The initial "V" as two strokes, with three dots of a message in transit.
    p.setPen(QPen(QColor(0x1f, 0x8a, 0x8a), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << QPointF(24, 13) << QPointF(34, 34) << QPointF(44, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3d, 0x6f, 0xb0));
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(52 + i * 7, 30), 2.6, 2.6);
    return pm;
}

} // namespace

const QStringList& IconStore::keys()
{
    static const QStringList k = {"folderopeny", "folderclosey", "foldercloseg", "folderopeng", "folderclosep",
                                  "folderopenp", "simclose",     "simopen",      "group",       "bookclose",
                                  "bookopen",    "mailnew",      "mailold",      "mailsend",    "mailwait",
                                  "mailfailed",  "address"};
    return k;
}

bool IconStore::hasKey(const QString& key) { return keys().contains(key); }

QPixmap IconStore::pixmap(const QString& key, int size)
{
    const auto it = arts().find(key);
    if (it == arts().end())
        return {};
    const Art art = it.value();
    return cached(QStringLiteral("%1@%2").arg(key).arg(size), [&] { return render(art, size); });
}

QIcon IconStore::icon(const QString& key)
{
    static QHash<QString, QIcon> icons;
    if (!hasKey(key))
        return {};
    auto it = icons.find(key);
    if (it == icons.end()) {
        QIcon i;
        i.addPixmap(pixmap(key, 16));
        i.addPixmap(pixmap(key, 32));
        it = icons.insert(key, i);
    }
    return it.value();
}

QIcon IconStore::treeIcon(const QString& closedKey, const QString& openKey)
{
    QIcon i;
    for (int size : {16, 32}) {
        i.addPixmap(pixmap(closedKey, size), QIcon::Normal);
        i.addPixmap(pixmap(openKey, size), QIcon::Selected);
    }
    return i;
}

QIcon IconStore::statusIcon(const QString& name)
{
    if (!arts().contains(name) || hasKey(name))
        return {};
    QIcon i;
    for (int size : {16, 32, 48})
        i.addPixmap(pixmap(name, size));
    return i;
}

QPixmap IconStore::logo()
{
    return cached(QStringLiteral("logo"), [] { return logoPicture(); });
}

QPixmap IconStore::shortcut(Shortcut which, ButtonState state)
{
    return cached(QStringLiteral("shortcut%1-%2").arg(int(which)).arg(int(state)),
                  [&] { return shortcutPicture(which, state); });
}
