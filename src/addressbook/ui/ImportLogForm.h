#pragma once
// frmImportLog: the last import's log, read only, in a fixed-pitch font.
// Esc and Exit close it.
#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace addrx {

class ImportLogForm : public QDialog {
    Q_OBJECT
public:
    explicit ImportLogForm(const QString& logPath, QWidget* parent = nullptr);

    QPlainTextEdit* logText() const { return txtLog_; }

private:
    QPlainTextEdit* txtLog_;
    QPushButton* cmdExit_;
};

} // namespace addrx
