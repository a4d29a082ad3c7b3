#pragma once
// The program's window services: its own file dialogs (FileDialogs.h),
// QDialog::exec and the desktop's programs, started through the desktop's
// opener (xdg-open) so that its answer is known.
#include "controls/WindowServices.h"

class QtWindowServices : public WindowServices {
public:
    QString chooseFileToOpen(QWidget* parent, const QString& caption, const QString& folder, const QString& filters,
                             const PrepareFileDialog& prepare) override;
    QString chooseFileToSave(QWidget* parent, const QString& caption, const QString& folder,
                             const QString& filters) override;
    int runModal(QDialog& dialog) override;
    void openUrl(const QUrl& url, const OpenOutcome& outcome = {}) override;
};
