#include "controls/QtWindowServices.h"

#include <QDesktopServices>
#include <QDialog>
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

bool QtWindowServices::openUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }
