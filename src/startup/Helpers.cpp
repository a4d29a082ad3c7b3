#include "startup/Helpers.h"

#include "startup/Database.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QUrl>
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

bool ShellOpen(const QString& operation, const QString& file, const QString& parameters,
               const QString& directory, int showCmd)
{
    Q_UNUSED(operation);
    Q_UNUSED(showCmd);
    if (file.isEmpty())
        return false;
    // An address with a scheme (two letters at least, so that a drive-like
    // "c:" is not one) goes to the desktop as it is.
    const QUrl asUrl(file, QUrl::StrictMode);
    if (asUrl.isValid() && asUrl.scheme().size() > 1 && !QDir::isAbsolutePath(file))
        return QDesktopServices::openUrl(asUrl);

    QFileInfo info(file);
    if (info.isRelative() && !directory.isEmpty())
        info.setFile(QDir(directory), file);
    if (!parameters.isEmpty() && info.isFile() && info.isExecutable())
        return QProcess::startDetached(info.absoluteFilePath(), QProcess::splitCommand(parameters),
                                       directory.isEmpty() ? info.absolutePath() : directory);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool EmbedForm(QWidget* container, QWidget* form)
{
    if (!container || !form)
        return false;
    const Qt::WindowFlags hints = form->windowFlags() & ~Qt::WindowType_Mask;
    form->setParent(container, hints | Qt::Dialog);
    form->setAttribute(Qt::WA_DeleteOnClose);
    if (!form->testAttribute(Qt::WA_Resized))
        form->adjustSize();
    const QPoint centre = container->mapToGlobal(container->rect().center());
    form->move(centre - form->rect().center());
    form->show();
    form->activateWindow();
    return true;
}

void UnloadFormByName(const QString& objectName, const QWidget* keep)
{
    if (objectName.isEmpty())
        return;
    QList<QPointer<QWidget>> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != keep && w->objectName() == objectName)
            found.append(w);
    for (const QPointer<QWidget>& w : found) {
        if (!w)
            continue; // closing an earlier one took it along
        const bool deletes = w->testAttribute(Qt::WA_DeleteOnClose);
        w->close();
        if (w && !deletes)
            w->deleteLater();
    }
}

void UnloadFormByName(const QWidget* form)
{
    if (form)
        UnloadFormByName(form->objectName(), form);
}
