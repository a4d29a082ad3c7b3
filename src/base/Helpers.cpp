#include "base/Helpers.h"

#include "base/Database.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <sqlite3.h>

void WaitMilliseconds(double ms)
{
    // Other handlers run inside the wait; one of them writing inside a
    // transaction held open across it would be rolled back with it.
    if (sqlite3* h = Database::instance().handle(); h && !sqlite3_get_autocommit(h))
        qWarning("WaitMilliseconds: a database transaction is open across an event wait");

    const qint64 ns = ms > 0 ? qint64(ms * 1e6) : 0;
    QDeadlineTimer deadline = QDeadlineTimer::addNSecs(QDeadlineTimer::current(Qt::PreciseTimer), ns);
    if (ns == 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The timer may fire a little early; the deadline decides.
    while (!deadline.hasExpired()) {
        const qint64 remaining = deadline.remainingTimeNSecs();
        timer.start(int(qMin<qint64>((remaining + 999999) / 1000000, INT_MAX)));
        if (loop.exec() < 0) // the application is quitting
            break;
    }
}

QString ReplaceText(const QString& text, const QString& find, const QString& replacement, int start,
                    int count, CompareMode compare)
{
    if (find.isEmpty() || find == replacement || count == 0)
        return text;
    const Qt::CaseSensitivity cs = compare == CompareMode::Text ? Qt::CaseInsensitive : Qt::CaseSensitive;
    QString result = text;
    qsizetype pos = result.indexOf(find, qMax(start, 1) - 1, cs);
    int n = 0;
    while (pos >= 0) {
        result.replace(pos, find.size(), replacement);
        ++n;
        if (count > 0 && n >= count)
            break;
        pos = result.indexOf(find, pos + replacement.size(), cs);
    }
    return result;
}

QString GetToken(const QString& delimiter, const QString& text, int index)
{
    if (index < 0)
        return {};
    if (delimiter.isEmpty())
        return index == 0 ? text : QString();
    // Each match of the whole delimiter ends a token; only its first
    // character is removed (callers use one-character delimiters).
    int token = 0;
    qsizetype from = 0;
    qsizetype scan = 0;
    while (true) {
        const qsizetype at = text.indexOf(delimiter, scan);
        if (at < 0)
            break;
        if (token == index)
            return text.mid(from, at - from);
        ++token;
        from = at + 1;
        scan = from;
    }
    return token == index ? text.mid(from) : QString();
}

QString PadZeros(const QString& text, int width)
{
    return text.size() >= width ? text : text.rightJustified(width, QLatin1Char('0'));
}

