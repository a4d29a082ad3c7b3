#include "mainwindow/AboutBox.h"

#include "controls/FormHelpers.h"
#include "mainwindow/IconStore.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Velquarin"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("imgLogo"));
    logo->setPixmap(IconStore::statusIcon(QStringLiteral("imgOn")).pixmap(48, 48));
    logo->setAccessibleName(QStringLiteral("Velquarin"));

    lblProgramName_ = new QLabel(QStringLiteral("Velquarin 1.2"), this);
    lblProgramName_->setObjectName(QStringLiteral("lblProgramName"));
    QFont big = lblProgramName_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblProgramName_->setFont(big);

    auto* lblDescription = new QLabel(
        QStringLiteral("Sends and receives SMS through a GSM modem or phone."), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setText(QStringLiteral("OK"));
    // Only Escape and the button close the box: Return does not.
    ok->setAutoDefault(false);
    ok->setDefault(false);
    ok->setFocusPolicy(Qt::NoFocus);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(lblProgramName_);
    text->addWidget(lblDescription);
    auto* top = new QHBoxLayout;
    top->addWidget(logo, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setFixedWidth(360);
}

void AboutBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    // No other key closes the box.
    event->accept();
}

AboutBox* openAboutBox(QWidget* main)
{
    auto* box = openSingleDialog<AboutBox>(main);
    box->show();
    return box;
}
