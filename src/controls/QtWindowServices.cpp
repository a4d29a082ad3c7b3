#include "controls/QtWindowServices.h"

#include <QDesktopServices>
#include <QDialog>
#include <QProcess>
#include <QUrl>

QString QtWindowServices::chooseFileToOpen(QWidget* parent, const QString& caption, const QString& folder,
                                           const QString& filters, const PrepareFileDialog& prepare)
{
    return ::chooseFileToOpen(parent, caption, folder, filters, prepare);
}

QString QtWindowServices::chooseFileToSave(QWidget* parent, const QString& caption, const QString& folder,
                                           const QString& filters)
{
    return ::chooseFileToSave(parent, caption, folder, filters);
}

int QtWindowServices::runModal(QDialog& dialog) { return dialog.exec(); }

void QtWindowServices::openUrl(const QUrl& url, const OpenOutcome& outcome)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // QDesktopServices counts the address as opened as soon as the opener
    // starts; the opener's exit status tells whether a program took it
    // (xdg-open ends with 3 when it finds none). The opener may stay for as
    // long as the program it started, so it is never waited for, and it is
    // not parented: a program left open outlives this one.
    auto* opener = new QProcess;
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, outcome](int code, QProcess::ExitStatus status) {
                         opener->deleteLater();
                         if (outcome)
                             outcome(status == QProcess::NormalExit && code == 0);
                     });
    QObject::connect(opener, &QProcess::errorOccurred, opener, [opener, url, outcome](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash is followed by finished()
        // No xdg-open: the desktop's other ways, whose answer is all there is.
        opener->deleteLater();
        const bool opened = QDesktopServices::openUrl(url);
        if (outcome)
            outcome(opened);
    });
    opener->start(QStringLiteral("xdg-open"),
                  {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)});
#else
    const bool opened = QDesktopServices::openUrl(url);
    if (outcome)
        outcome(opened);
#endif
}
