#include "addressbook/ui/ImportLogForm.h"

#include <QFile>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace addrx {

ImportLogForm::ImportLogForm(const QString& logPath, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmImportLog"));
    setWindowTitle(QStringLiteral("Import Log"));
    setAttribute(Qt::WA_DeleteOnClose);

    txtLog_ = new QPlainTextEdit(this);
    txtLog_->setObjectName(QStringLiteral("txtLog"));
    txtLog_->setAccessibleName(QStringLiteral("Import log"));
    txtLog_->setReadOnly(true);
    txtLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    txtLog_->setFont(font);
    // A TAB as wide as eight characters keeps the columns of the log.
    txtLog_->setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
    QFile file(logPath);
    if (file.open(QIODevice::ReadOnly)) {
        QString text = QString::fromUtf8(file.readAll());
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        txtLog_->setPlainText(text);
    }

    cmdExit_ = new QPushButton(QStringLiteral("E&xit"), this);
    cmdExit_->setObjectName(QStringLiteral("cmdExit"));
    cmdExit_->setDefault(true);
    connect(cmdExit_, &QPushButton::clicked, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtLog_);
    layout->addWidget(cmdExit_, 0, Qt::AlignHCenter);
    resize(560, 420);
}

} // namespace addrx
