#include "reading/MessagePane.h"

#include "base/Database.h"
#include "sms/Gsm7.h"
#include "sms/Pdu.h"
#include "sms/Ringtone.h"
#include "sms/SmartMessage.h"

#include <QLocale>

namespace {

// The message's bitmap inside the picture box: the box keeps its size and
// shows what of the bitmap falls inside it, from the top-left corner.
sms::MonoBitmap boxed(const sms::MonoBitmap& bitmap, int width, int height)
{
    sms::MonoBitmap box(width, height);
    const int w = qMin(width, bitmap.width());
    const int h = qMin(height, bitmap.height());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (bitmap.pixel(x, y))
                box.setPixel(x, y);
    return box;
}

} // namespace

QString paneDateText(const QDateTime& when)
{
    if (!when.isValid())
        return {};
    return QLocale::c().toString(when, QStringLiteral("dd MMM yyyy HH:mm:ss"));
}

QString paneTypeLabel(int type, const QString& content)
{
    switch (type) {
    case 1: return QStringLiteral("Text Message");
    case 2: return QStringLiteral("Ring Tone (") + sms::ringtoneTitle(content) + QLatin1Char(')');
    case 3: return QStringLiteral("Operator Logo");
    case 4: return QStringLiteral("Picture Message");
    case 5: return QStringLiteral("Unicode Message");
    default: return {};
    }
}

PaneContent paneContentFor(int type, const QString& content)
{
    PaneContent c;
    c.type = type;
    c.typeLabel = paneTypeLabel(type, content);
    switch (type) {
    case 1: c.text = gsm7::textFromPacked(content); break;
    case 2:
        c.showPlay = true;
        c.ringtoneContent = content;
        break;
    case 3:
        c.image = PaneImage::Logo;
        c.bitmap = boxed(sms::decodeOperatorLogo(content), sms::kLogoWidth, sms::kLogoHeight);
        break;
    case 4: {
        const sms::PictureMessage pm = sms::decodePictureMessage(content);
        c.image = PaneImage::Picture;
        c.bitmap = boxed(pm.bitmap, sms::kPictureWidth, sms::kPictureHeight);
        if (pm.hasText)
            c.text = pm.text;
        break;
    }
    case 5: c.text = pdu::HexToUnicode(content); break;
    default: break;
    }
    return c;
}

PaneContent buildPaneContent(Database& db, MessageFolder folder, qint64 code)
{
    MessageDetail m;
    QString error;
    if (!readMessageDetail(db, folder, code, &m, &error)) {
        PaneContent none;
        none.code = code;
        none.error = error;
        return none;
    }
    PaneContent c = paneContentFor(m.type, m.content);
    c.found = true;
    c.code = code;
    c.status = m.status;
    c.dateText = paneDateText(m.when);
    c.number = m.number;
    return c;
}

bool marksRead(const QString& currentFolder, MessageFolder folder, const PaneContent& shown)
{
    return folder == MessageFolder::Inbox && currentFolder == QLatin1String("Inbox") && shown.found &&
           shown.status == QLatin1String("N");
}
