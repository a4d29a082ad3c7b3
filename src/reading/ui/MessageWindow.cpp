#include "reading/ui/MessageWindow.h"

#include "controls/Twips.h"
#include "mainwindow/MainWindow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

int px(int tw) { return twips::toPx(tw); }

QLineEdit* readOnlyBox(const char* name, const QString& text, QWidget* parent)
{
    auto* box = new QLineEdit(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setCursorPosition(0);
    return box;
}

} // namespace

MessageWindow::MessageWindow(const MessageWindowData& data, QWidget* parent) : QDialog(parent), pane_(data.pane)
{
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(QStringLiteral("Message"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    const bool received = data.view == ViewKind::Inbox;
    auto* v = new QVBoxLayout(this);

    auto* grid = new QGridLayout;
    lblDate = new QLabel(received ? QStringLiteral("Date Received") : QStringLiteral("Date Sent"), this);
    lblDate->setObjectName(QStringLiteral("lblDate"));
    txtDate = readOnlyBox("txtDate", data.date, this);
    lblDate->setBuddy(txtDate);
    lblName = new QLabel(received ? QStringLiteral("From") : QStringLiteral("To"), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    txtName = readOnlyBox("txtName", data.name, this);
    lblName->setBuddy(txtName);
    txtPhone = readOnlyBox("txtPhone", data.number, this);
    txtPhone->setAccessibleName(QStringLiteral("Number"));
    grid->addWidget(lblDate, 0, 0);
    grid->addWidget(txtDate, 0, 1, 1, 2);
    grid->addWidget(lblName, 1, 0);
    grid->addWidget(txtName, 1, 1);
    grid->addWidget(txtPhone, 1, 2);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(2, 2);
    v->addLayout(grid);

    auto* picMessage = new QFrame(this);
    picMessage->setObjectName(QStringLiteral("picMessage"));
    picMessage->setFrameShape(QFrame::StyledPanel);
    auto* pv = new QVBoxLayout(picMessage);
    lblType = new QLabel(pane_.typeLabel, picMessage);
    lblType->setObjectName(QStringLiteral("lblType"));
    QFont bold = lblType->font();
    bold.setBold(true);
    lblType->setFont(bold);
    pv->addWidget(lblType);
    auto* h = new QHBoxLayout;
    picImage = new QLabel(picMessage);
    picImage->setObjectName(QStringLiteral("picImage"));
    picImage->setAccessibleName(QStringLiteral("Picture"));
    if (pane_.image != PaneImage::None) {
        const QPixmap picture = QPixmap::fromImage(MainWindow::pictureImage(pane_.bitmap, kPictureZoom));
        picImage->setFixedSize(picture.size());
        picImage->setPixmap(picture);
    } else {
        picImage->hide();
    }
    h->addWidget(picImage, 0, Qt::AlignTop);
    txtMessage = new QPlainTextEdit(pane_.text, picMessage);
    txtMessage->setObjectName(QStringLiteral("txtMessage"));
    txtMessage->setAccessibleName(QStringLiteral("Message"));
    txtMessage->setReadOnly(true);
    txtMessage->setVisible(pane_.type != 2);
    h->addWidget(txtMessage, 1);
    pv->addLayout(h, 1);
    v->addWidget(picMessage, 1);

    auto* buttons = new QHBoxLayout;
    cmdPlay = new QPushButton(QStringLiteral("&Play"), this);
    cmdPlay->setObjectName(QStringLiteral("cmdPlay"));
    cmdPlay->setVisible(pane_.showPlay);
    cmdDetail = new QPushButton(received ? QStringLiteral("Sender Detail") : QStringLiteral("Addressee Detail"), this);
    cmdDetail->setObjectName(QStringLiteral("cmdDetail"));
    cmdExit = new QPushButton(QStringLiteral("&Close"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setDefault(true);
    buttons->addWidget(cmdPlay);
    buttons->addStretch(1);
    buttons->addWidget(cmdDetail);
    buttons->addWidget(cmdExit);
    v->addLayout(buttons);

    connect(cmdPlay, &QPushButton::clicked, this, [this] {
        if (playRingtone && pane_.showPlay)
            playRingtone(pane_.ringtoneContent);
    });
    connect(cmdDetail, &QPushButton::clicked, this, [this] {
        if (openAddress)
            openAddress(txtPhone->text());
    });
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::close);

    setTabOrder(txtDate, txtName);
    setTabOrder(txtName, txtPhone);
    setTabOrder(txtPhone, txtMessage);
    setTabOrder(txtMessage, cmdPlay);
    setTabOrder(cmdPlay, cmdDetail);
    setTabOrder(cmdDetail, cmdExit);
    resize(px(6600), px(4200));
    cmdExit->setFocus();
}

void MessageWindow::setNameAndNumber(const QString& name, const QString& number)
{
    txtName->setText(name);
    txtName->setCursorPosition(0);
    txtPhone->setText(number);
    txtPhone->setCursorPosition(0);
}

QString MessageWindow::number() const { return txtPhone->text(); }
