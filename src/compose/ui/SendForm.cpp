#include "compose/ui/SendForm.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "base/AppPaths.h"
#include "base/UserPrompt.h"
#include "compose/RingtoneSource.h"
#include "compose/ui/BitmapImage.h"
#include "compose/ui/BitmapView.h"
#include "controls/FileDialogs.h"
#include "controls/FormHelpers.h"
#include "base/EngineState.h"
#include "controls/WindowServices.h"
#include "sms/SmartMessage.h"

using compose::RecipientMode;
using compose::SendResult;

namespace {

constexpr int kViewZoom = 3;

QPushButton* button(const char* name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QLineEdit* lineEdit(const char* name, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    return e;
}

QLabel* buddyLabel(const QString& caption, QWidget* buddy, QWidget* parent)
{
    auto* l = new QLabel(caption, parent);
    l->setBuddy(buddy);
    buddy->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return l;
}

// The picture dialog: the highlighted file is shown as the form would take
// it, only pure black as ink; a file that is no picture shows nothing.
QString pictureDialog(WindowServices& windows, QWidget* parent, const QString& title, const QString& folder,
                      int height)
{
    return windows.chooseFileToOpen(
        parent, title, folder, QStringLiteral("Picture Files (*.bmp,*.jpg,*.gif) (*.bmp *.gif *.jpg)"),
        [height](FileDialog& dialog) {
            dialog.setOption(QFileDialog::HideNameFilterDetails);
            auto* preview = new compose::BitmapView(sms::kPictureWidth, height, 2, &dialog);
            preview->setObjectName(QStringLiteral("picDialog"));
            preview->setAccessibleName(QStringLiteral("Preview"));
            if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
                grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1, Qt::AlignTop);
            QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview, height](const QString& path) {
                sms::MonoBitmap bitmap(sms::kPictureWidth, height);
                QString ignored;
                if (QFileInfo(path).isFile() && !AppPaths::isDatabaseFile(path))
                    compose::loadMonoBitmap(path, sms::kPictureWidth, height, &bitmap, &ignored);
                preview->setBitmap(bitmap);
            });
        });
}

QString chooseFileOfKind(WindowServices& windows, QWidget* parent, SendForm::FileKind kind, const QString& folder)
{
    switch (kind) {
    case SendForm::FileKind::Numbers:
        return windows.chooseFileToOpen(parent, QStringLiteral("Open"), folder, QStringLiteral("Text File (*.txt)"));
    case SendForm::FileKind::Ringtone:
        // Every tune the form reads first, then the two kinds apart.
        return windows.chooseFileToOpen(
            parent, QStringLiteral("Open"), folder,
            QStringLiteral("Tune Files (*.mid *.txt *.rtx);;Midi File (*.mid);;RTTTL File (*.txt *.rtx)"));
    case SendForm::FileKind::Logo:
        return pictureDialog(windows, parent, QStringLiteral("Select Logo..."), folder, sms::kLogoHeight);
    case SendForm::FileKind::Picture:
        return pictureDialog(windows, parent, QStringLiteral("Select Picture..."), folder, sms::kPictureHeight);
    }
    return {};
}

} // namespace

SendForm::SendForm(Database& db, UserPrompt& prompt, WindowServices& windows, EngineState& state,
                   compose::SendLogic::Enqueue enqueue, Hooks hooks, QWidget* parent)
    : QDialog(parent), db_(db), prompt_(prompt), windows_(windows), st_(state),
      logic_(db, prompt, state, std::move(enqueue)), hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("frmSendSMS"));
    setWindowTitle(QStringLiteral("Send Message"));
    setModal(false);
    logic_.setBusyHook([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    buildControls();
    setTabOrderOfControls();
    updateHookedButtons();
    if (hooks_.installCanned)
        hooks_.installCanned(*this);
    load(Mode::New);
}

SendForm::~SendForm() = default;

// ------------------------------------------------------------------ layout

void SendForm::buildControls()
{
    auto* root = new QVBoxLayout(this);

    // Message kind.
    auto* kinds = new QHBoxLayout;
    optText_ = new QRadioButton(QStringLiteral("Text"), this);
    optCannedText_ = new QRadioButton(QStringLiteral("Canned Text"), this);
    optLogo_ = new QRadioButton(QStringLiteral("Logo"), this);
    optPicture_ = new QRadioButton(QStringLiteral("Picture"), this);
    optRingTone_ = new QRadioButton(QStringLiteral("Ring Tone"), this);
    kindGroup_ = new QButtonGroup(this);
    const std::pair<QRadioButton*, const char*> kindButtons[] = {{optText_, "optText"},
                                                                 {optCannedText_, "optCannedText"},
                                                                 {optLogo_, "optLogo"},
                                                                 {optPicture_, "optPicture"},
                                                                 {optRingTone_, "optRingTone"}};
    for (const auto& [b, name] : kindButtons) {
        b->setObjectName(QLatin1String(name));
        kindGroup_->addButton(b);
        kinds->addWidget(b);
    }
    kinds->addStretch(1);
    root->addLayout(kinds);
    // A button runs its handler when it becomes checked, however that
    // happens: a click, a key, a screen reader's toggle or the program.
    onChecked(optText_, [this] { chooseKind(compose::KindText); });
    onChecked(optCannedText_, [this] { chooseKind(compose::KindText, true); });
    onChecked(optLogo_, [this] { chooseKind(compose::KindLogo); });
    onChecked(optPicture_, [this] { chooseKind(compose::KindPicture); });
    onChecked(optRingTone_, [this] { chooseKind(compose::KindRingtone); });

    kindStack_ = new QStackedWidget(this);
    root->addWidget(kindStack_, 1);

    // Text.
    fraText_ = new QGroupBox(QStringLiteral("Text (0 of 160 characters)"), kindStack_);
    fraText_->setObjectName(QStringLiteral("fraText"));
    {
        auto* v = new QVBoxLayout(fraText_);
        txtMessage_ = new QPlainTextEdit(fraText_);
        txtMessage_->setObjectName(QStringLiteral("txtMessage"));
        txtMessage_->setAccessibleName(QStringLiteral("Message text"));
        txtMessage_->setTabChangesFocus(true);
        txtMessage_->installEventFilter(this);
        v->addWidget(txtMessage_, 1);
        auto* h = new QHBoxLayout;
        cmdClearText_ = button("cmdClearText", QStringLiteral("Clear"), fraText_);
        cmdInsertField_ = button("cmdInsertField", QStringLiteral("Insert Field"), fraText_);
        h->addWidget(cmdClearText_);
        h->addWidget(cmdInsertField_);
        h->addStretch(1);
        v->addLayout(h);
        connect(txtMessage_, &QPlainTextEdit::textChanged, this, &SendForm::updateTextCaption);
        connect(cmdClearText_, &QPushButton::clicked, txtMessage_, &QPlainTextEdit::clear);
        connect(cmdInsertField_, &QPushButton::clicked, this, &SendForm::insertField);
    }
    kindStack_->addWidget(fraText_);

    // Canned text.
    fraCannedText_ = new QGroupBox(QStringLiteral("Canned Text"), kindStack_);
    fraCannedText_->setObjectName(QStringLiteral("fraCannedText"));
    {
        auto* v = new QVBoxLayout(fraCannedText_);
        cboCannedMessage_ = new QComboBox(fraCannedText_);
        cboCannedMessage_->setObjectName(QStringLiteral("cboCannedMessage"));
        cboCannedMessage_->setAccessibleName(QStringLiteral("Canned Message"));
        cboCannedMessage_->addItem(QStringLiteral("Select Canned Message"));
        v->addWidget(cboCannedMessage_);
        auto* h = new QHBoxLayout;
        cmdNew_ = button("cmdNew", QStringLiteral("New"), fraCannedText_);
        cmdEdit_ = button("cmdEdit", QStringLiteral("Edit"), fraCannedText_);
        cmdDelete_ = button("cmdDelete", QStringLiteral("Delete"), fraCannedText_);
        h->addWidget(cmdNew_);
        h->addWidget(cmdEdit_);
        h->addWidget(cmdDelete_);
        h->addStretch(1);
        v->addLayout(h);
        v->addStretch(1);
    }
    kindStack_->addWidget(fraCannedText_);

    // Operator logo.
    fraLogo_ = new QGroupBox(QStringLiteral("Logo"), kindStack_);
    fraLogo_->setObjectName(QStringLiteral("fraLogo"));
    {
        auto* g = new QGridLayout(fraLogo_);
        picLogo_ = new compose::BitmapView(sms::kLogoWidth, sms::kLogoHeight, kViewZoom, fraLogo_);
        picLogo_->setObjectName(QStringLiteral("picLogo"));
        picLogo_->setAccessibleName(QStringLiteral("Logo"));
        cmdLogo_ = button("cmdLogo", QStringLiteral("Select Logo"), fraLogo_);
        cmdLogoEdit_ = button("cmdLogoEdit", QStringLiteral("Edit"), fraLogo_);
        txtOperatorCode_ = lineEdit("txtOperatorCode", fraLogo_);
        txtOperatorCode_->setMaxLength(20);
        cmdOperatorCodes_ = button("cmdOperatorCodes", QStringLiteral("View List"), fraLogo_);
        g->addWidget(picLogo_, 0, 0, 1, 3, Qt::AlignLeft);
        auto* h = new QHBoxLayout;
        h->addWidget(cmdLogo_);
        h->addWidget(cmdLogoEdit_);
        h->addStretch(1);
        g->addLayout(h, 1, 0, 1, 3);
        g->addWidget(buddyLabel(QStringLiteral("&Operator Code"), txtOperatorCode_, fraLogo_), 2, 0);
        g->addWidget(txtOperatorCode_, 2, 1);
        g->addWidget(cmdOperatorCodes_, 2, 2);
        g->setRowStretch(3, 1);
        g->setColumnStretch(1, 1);
        connect(cmdLogo_, &QPushButton::clicked, this, &SendForm::chooseLogoFile);
        connect(cmdLogoEdit_, &QPushButton::clicked, this, [this] {
            if (hooks_.editBitmap)
                hooks_.editBitmap(this, compose::KindLogo);
        });
        connect(cmdOperatorCodes_, &QPushButton::clicked, this, &SendForm::pickOperator);
        // The code follows what the user types, so that a refresh on
        // activation shows it again instead of an older choice.
        connect(txtOperatorCode_, &QLineEdit::textEdited, this, [this](const QString& t) { st_.sOpCode = t; });
    }
    kindStack_->addWidget(fraLogo_);

    // Picture message.
    fraPicture_ = new QGroupBox(QStringLiteral("Picture (Text - 0 of 121 Characters)"), kindStack_);
    fraPicture_->setObjectName(QStringLiteral("fraPicture"));
    {
        auto* g = new QGridLayout(fraPicture_);
        picPicture_ = new compose::BitmapView(sms::kPictureWidth, sms::kPictureHeight, kViewZoom, fraPicture_);
        picPicture_->setObjectName(QStringLiteral("picPicture"));
        picPicture_->setAccessibleName(QStringLiteral("Picture"));
        lblPictureMessage_ = new QLabel(fraPicture_);
        lblPictureMessage_->setObjectName(QStringLiteral("lblPictureMessage"));
        lblPictureMessage_->setWordWrap(true);
        lblPictureMessage_->setTextFormat(Qt::PlainText);
        lblPictureMessage_->setFixedWidth(picPicture_->sizeHint().width());
        lblPictureMessage_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        cmdPicture_ = button("cmdPicture", QStringLiteral("Select Picture"), fraPicture_);
        cmdPictureEdit_ = button("cmdPictureEdit", QStringLiteral("Edit"), fraPicture_);
        txtPictureMessage_ = lineEdit("txtPictureMessage", fraPicture_);
        txtPictureMessage_->setMaxLength(compose::kMaxPictureText);
        auto* left = new QVBoxLayout;
        left->addWidget(picPicture_);
        left->addWidget(lblPictureMessage_);
        left->addStretch(1);
        g->addLayout(left, 0, 0, 3, 1);
        auto* h = new QHBoxLayout;
        h->addWidget(cmdPicture_);
        h->addWidget(cmdPictureEdit_);
        h->addStretch(1);
        g->addLayout(h, 0, 1, 1, 2);
        g->addWidget(buddyLabel(QStringLiteral("Te&xt"), txtPictureMessage_, fraPicture_), 1, 1);
        g->addWidget(txtPictureMessage_, 1, 2);
        g->setRowStretch(2, 1);
        g->setColumnStretch(2, 1);
        connect(cmdPicture_, &QPushButton::clicked, this, &SendForm::choosePictureFile);
        connect(cmdPictureEdit_, &QPushButton::clicked, this, [this] {
            if (hooks_.editBitmap)
                hooks_.editBitmap(this, compose::KindPicture);
        });
        connect(txtPictureMessage_, &QLineEdit::textChanged, this, &SendForm::updatePictureCaption);
    }
    kindStack_->addWidget(fraPicture_);

    // Ringtone.
    fraRingTone_ = new QGroupBox(QStringLiteral("Ring Tone"), kindStack_);
    fraRingTone_->setObjectName(QStringLiteral("fraRingTone"));
    {
        auto* g = new QGridLayout(fraRingTone_);
        cmdRingTone_ = button("cmdRingTone", QStringLiteral("Select Ring Tone"), fraRingTone_);
        txtRingTone_ = lineEdit("txtRingTone", fraRingTone_);
        txtRingTone_->setReadOnly(true);
        cmdPlay_ = button("cmdPlay", QStringLiteral("Play"), fraRingTone_);
        g->addWidget(cmdRingTone_, 0, 0, 1, 3, Qt::AlignLeft);
        g->addWidget(buddyLabel(QStringLiteral("Tune"), txtRingTone_, fraRingTone_), 1, 0);
        g->addWidget(txtRingTone_, 1, 1);
        g->addWidget(cmdPlay_, 1, 2);
        g->setRowStretch(2, 1);
        g->setColumnStretch(1, 1);
        connect(cmdRingTone_, &QPushButton::clicked, this, &SendForm::chooseRingtoneFile);
        connect(cmdPlay_, &QPushButton::clicked, this, &SendForm::playRingtone);
    }
    kindStack_->addWidget(fraRingTone_);

    // Recipients.
    fraTarget_ = new QGroupBox(QStringLiteral("Send To"), this);
    fraTarget_->setObjectName(QStringLiteral("fraTarget"));
    fraTarget_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    {
        auto* v = new QVBoxLayout(fraTarget_);
        auto* h = new QHBoxLayout;
        optSingle_ = new QRadioButton(QStringLiteral("Enter Numbers"), fraTarget_);
        optFile_ = new QRadioButton(QStringLiteral("Use File"), fraTarget_);
        optList_ = new QRadioButton(QStringLiteral("Use Address Book"), fraTarget_);
        optSingle_->setObjectName(QStringLiteral("optSingle"));
        optFile_->setObjectName(QStringLiteral("optFile"));
        optList_->setObjectName(QStringLiteral("optList"));
        targetGroup_ = new QButtonGroup(this);
        for (QRadioButton* b : {optSingle_, optFile_, optList_}) {
            targetGroup_->addButton(b);
            h->addWidget(b);
        }
        h->addStretch(1);
        v->addLayout(h);
        onChecked(optSingle_, [this] { chooseRecipients(RecipientMode::Numbers); });
        onChecked(optFile_, [this] { chooseRecipients(RecipientMode::File); });
        onChecked(optList_, [this] { chooseRecipients(RecipientMode::AddressBook); });

        targetStack_ = new QStackedWidget(fraTarget_);
        v->addWidget(targetStack_);

        fraNumbers_ = new QWidget(targetStack_);
        fraNumbers_->setObjectName(QStringLiteral("fraNumbers"));
        {
            auto* row = new QHBoxLayout(fraNumbers_);
            row->setContentsMargins(0, 0, 0, 0);
            txtNumber_ = lineEdit("txtNumber", fraNumbers_);
            txtNumber_->setPlaceholderText(QStringLiteral("Numbers separated by commas"));
            cmdClearNumbers_ = button("cmdClearNumbers", QStringLiteral("Clear All"), fraNumbers_);
            row->addWidget(buddyLabel(QStringLiteral("&Numbers"), txtNumber_, fraNumbers_));
            row->addWidget(txtNumber_, 1);
            row->addWidget(cmdClearNumbers_);
            connect(cmdClearNumbers_, &QPushButton::clicked, txtNumber_, &QLineEdit::clear);
        }
        targetStack_->addWidget(fraNumbers_);

        fraFile_ = new QWidget(targetStack_);
        fraFile_->setObjectName(QStringLiteral("fraFile"));
        {
            auto* row = new QHBoxLayout(fraFile_);
            row->setContentsMargins(0, 0, 0, 0);
            txtFilePath_ = lineEdit("txtFilePath", fraFile_);
            txtFilePath_->setReadOnly(true);
            cmdFile_ = button("cmdFile", QStringLiteral("Select File"), fraFile_);
            row->addWidget(buddyLabel(QStringLiteral("File"), txtFilePath_, fraFile_));
            row->addWidget(txtFilePath_, 1);
            row->addWidget(cmdFile_);
            connect(cmdFile_, &QPushButton::clicked, this, &SendForm::chooseNumberFile);
        }
        targetStack_->addWidget(fraFile_);

        fraAddress_ = new QWidget(targetStack_);
        fraAddress_->setObjectName(QStringLiteral("fraAddress"));
        {
            auto* row = new QHBoxLayout(fraAddress_);
            row->setContentsMargins(0, 0, 0, 0);
            txtList_ = lineEdit("txtList", fraAddress_);
            txtList_->setReadOnly(true);
            cmdAddresses_ = button("cmdAddresses", QStringLiteral("Addresses"), fraAddress_);
            cmdGroups_ = button("cmdGroups", QStringLiteral("Groups"), fraAddress_);
            row->addWidget(buddyLabel(QStringLiteral("Selected"), txtList_, fraAddress_));
            row->addWidget(txtList_, 1);
            row->addWidget(cmdAddresses_);
            row->addWidget(cmdGroups_);
            connect(cmdAddresses_, &QPushButton::clicked, this, &SendForm::pickAddresses);
            connect(cmdGroups_, &QPushButton::clicked, this, &SendForm::pickGroups);
        }
        targetStack_->addWidget(fraAddress_);
    }
    root->addWidget(fraTarget_);

    // Send time and the actions.
    auto* bottom = new QHBoxLayout;
    ccrpDate_ = new QDateEdit(this);
    ccrpDate_->setObjectName(QStringLiteral("ccrpDate"));
    ccrpDate_->setCalendarPopup(true);
    ccrpDate_->setDisplayFormat(QStringLiteral("dd MMM yyyy"));
    ccrpTime_ = new QTimeEdit(this);
    ccrpTime_->setObjectName(QStringLiteral("ccrpTime"));
    ccrpTime_->setDisplayFormat(QStringLiteral("HH:mm"));
    cmdSend_ = new QPushButton(QStringLiteral("&Send"), this);
    cmdSend_->setObjectName(QStringLiteral("cmdSend"));
    cmdSend_->setDefault(true);
    cmdCancel_ = button("cmdCancel", QStringLiteral("&Exit"), this);
    bottom->addWidget(buddyLabel(QStringLiteral("Send &Date"), ccrpDate_, this));
    bottom->addWidget(ccrpDate_);
    bottom->addWidget(buddyLabel(QStringLiteral("Send &Time"), ccrpTime_, this));
    nameInnerEdit(ccrpDate_);
    nameInnerEdit(ccrpTime_);
    bottom->addWidget(ccrpTime_);
    bottom->addStretch(1);
    bottom->addWidget(cmdSend_);
    bottom->addWidget(cmdCancel_);
    root->addLayout(bottom);
    connect(cmdSend_, &QPushButton::clicked, this, [this] { send(); });
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::close);

    txtMessage_->setMinimumHeight(txtMessage_->fontMetrics().lineSpacing() * 5);
}

void SendForm::setTabOrderOfControls()
{
    const QList<QWidget*> order{optText_, optCannedText_, optLogo_, optPicture_, optRingTone_,
                                txtMessage_, cmdClearText_, cmdInsertField_,
                                cboCannedMessage_, cmdNew_, cmdEdit_, cmdDelete_,
                                txtOperatorCode_, cmdOperatorCodes_, cmdLogo_, cmdLogoEdit_,
                                txtPictureMessage_, cmdPicture_, cmdPictureEdit_,
                                cmdRingTone_, txtRingTone_, cmdPlay_,
                                optSingle_, optFile_, optList_,
                                txtNumber_, cmdClearNumbers_, cmdFile_, txtFilePath_,
                                cmdAddresses_, cmdGroups_, txtList_,
                                ccrpDate_, ccrpTime_, cmdSend_, cmdCancel_};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void SendForm::updateHookedButtons()
{
    cmdAddresses_->setEnabled(bool(hooks_.pickAddresses));
    cmdGroups_->setEnabled(bool(hooks_.pickGroups));
    cmdOperatorCodes_->setEnabled(bool(hooks_.pickOperator));
    cmdLogoEdit_->setEnabled(bool(hooks_.editBitmap));
    cmdPictureEdit_->setEnabled(bool(hooks_.editBitmap));
    cmdInsertField_->setEnabled(bool(hooks_.insertField));
    const bool canned = bool(hooks_.installCanned);
    cmdNew_->setEnabled(canned);
    cmdEdit_->setEnabled(canned);
    cmdDelete_->setEnabled(canned);
    cmdPlay_->setEnabled(bool(hooks_.playRingtone) && !sRingToneHex_.isEmpty());
}

// -------------------------------------------------------------------- load

void SendForm::load(Mode mode, const QString& number, const QString& content, int type)
{
    mode_ = mode;
    bLogoLoaded_ = false;
    bPictureLoaded_ = false;
    picLogo_->setBitmap(sms::MonoBitmap(sms::kLogoWidth, sms::kLogoHeight));
    picPicture_->setBitmap(sms::MonoBitmap(sms::kPictureWidth, sms::kPictureHeight));
    sRingToneHex_.clear();
    txtRingTone_->clear();
    asRecipients_.clear();
    asPickedGroups_.clear();
    sMsgContent_ = mode == Mode::Forward ? content : QString();
    updateHookedButtons();

    switch (mode) {
    case Mode::New:
        chooseRecipients(RecipientMode::AddressBook);
        chooseKind(compose::KindText);
        break;
    case Mode::Reply:
        chooseKind(compose::KindText);
        chooseRecipients(RecipientMode::Numbers);
        txtNumber_->setText(number);
        txtMessage_->setFocus();
        break;
    case Mode::Forward: {
        // A message of a type the form cannot compose (a received Unicode
        // text) is forwarded as the text it shows.
        const int kind = type >= compose::KindText && type <= compose::KindPicture ? type : compose::KindText;
        chooseKind(kind);
        chooseRecipients(RecipientMode::AddressBook);
        if (kind == compose::KindText)
            txtMessage_->setPlainText(content);
        break;
    }
    }

    const QDateTime now = QDateTime::currentDateTime();
    ccrpDate_->setDate(now.date());
    ccrpTime_->setTime(QTime(now.time().hour(), now.time().minute()));
    refreshOnActivation();
}

void SendForm::refreshOnActivation()
{
    txtOperatorCode_->setText(st_.sOpCode);
    txtList_->setText(compose::recipientSummary(int(asRecipients_.size()), int(asPickedGroups_.size())));
}

void SendForm::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshOnActivation();
}

bool SendForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtMessage_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // The message is one paragraph: Enter neither breaks the line nor
        // sends.
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ------------------------------------------------------------------- kinds

void SendForm::chooseKind(int kind, bool canned)
{
    sngMsgType_ = kind;
    fraTarget_->setEnabled(true);
    switch (kind) {
    case compose::KindText:
        if (canned) {
            optCannedText_->setChecked(true);
            kindStack_->setCurrentWidget(fraCannedText_);
            cboCannedMessage_->setFocus();
        } else {
            optText_->setChecked(true);
            kindStack_->setCurrentWidget(fraText_);
            txtMessage_->setFocus();
        }
        break;
    case compose::KindLogo:
        optLogo_->setChecked(true);
        kindStack_->setCurrentWidget(fraLogo_);
        // A logo starts with typed numbers as its recipients.
        chooseRecipients(RecipientMode::Numbers);
        txtOperatorCode_->setFocus();
        break;
    case compose::KindPicture:
        optPicture_->setChecked(true);
        kindStack_->setCurrentWidget(fraPicture_);
        txtPictureMessage_->setFocus();
        break;
    case compose::KindRingtone:
        optRingTone_->setChecked(true);
        kindStack_->setCurrentWidget(fraRingTone_);
        cmdRingTone_->setFocus();
        break;
    default:
        break;
    }
}

void SendForm::chooseRecipients(RecipientMode mode)
{
    switch (mode) {
    case RecipientMode::Numbers:
        optSingle_->setChecked(true);
        targetStack_->setCurrentWidget(fraNumbers_);
        txtNumber_->setFocus();
        break;
    case RecipientMode::File:
        optFile_->setChecked(true);
        targetStack_->setCurrentWidget(fraFile_);
        cmdFile_->setFocus();
        break;
    case RecipientMode::AddressBook:
        optList_->setChecked(true);
        targetStack_->setCurrentWidget(fraAddress_);
        cmdAddresses_->setFocus();
        break;
    }
}

RecipientMode SendForm::recipientMode() const
{
    if (optSingle_->isChecked())
        return RecipientMode::Numbers;
    if (optFile_->isChecked())
        return RecipientMode::File;
    return RecipientMode::AddressBook;
}

void SendForm::updateTextCaption()
{
    // The box holds at most 160 characters, pasted text included.
    const QString text = txtMessage_->toPlainText();
    if (text.size() > compose::kMaxMessageText) {
        QTextCursor c = txtMessage_->textCursor();
        const int pos = qMin(c.position(), compose::kMaxMessageText);
        QSignalBlocker block(txtMessage_);
        txtMessage_->setPlainText(text.left(compose::kMaxMessageText));
        c = txtMessage_->textCursor();
        c.setPosition(pos);
        txtMessage_->setTextCursor(c);
    }
    fraText_->setTitle(QStringLiteral("Text - %1 of 160 Characters)").arg(txtMessage_->toPlainText().size()));
}

void SendForm::updatePictureCaption()
{
    const QString text = txtPictureMessage_->text();
    fraPicture_->setTitle(QStringLiteral("Picture (Text - %1 of 121 Characters)").arg(text.size()));
    lblPictureMessage_->setText(text);
}

// ----------------------------------------------------------------- bitmaps

sms::MonoBitmap SendForm::logoBitmap() const { return picLogo_->bitmap(); }
sms::MonoBitmap SendForm::pictureBitmap() const { return picPicture_->bitmap(); }

void SendForm::setLogoBitmap(const sms::MonoBitmap& bitmap)
{
    picLogo_->setBitmap(bitmap);
    bLogoLoaded_ = true;
}

void SendForm::setPictureBitmap(const sms::MonoBitmap& bitmap)
{
    picPicture_->setBitmap(bitmap);
    bPictureLoaded_ = true;
}

QString SendForm::folderFor(FileKind kind)
{
    switch (kind) {
    case FileKind::Numbers: return documentsFolder();
    case FileKind::Ringtone: return AppPaths::filePath(QStringLiteral("RingTones"));
    case FileKind::Logo: return AppPaths::filePath(QStringLiteral("Logos"));
    case FileKind::Picture: return AppPaths::filePath(QStringLiteral("Pictures"));
    }
    return {};
}

QString SendForm::askForFile(FileKind kind)
{
    const QString path = chooseFileOfKind(windows_, this, kind, folderFor(kind));
    // A modal dialog took the activation; the form refreshes as it comes back.
    refreshOnActivation();
    return path;
}

bool SendForm::loadLogoFile(const QString& path)
{
    sms::MonoBitmap bitmap;
    QString error;
    if (!compose::loadMonoBitmap(path, sms::kLogoWidth, sms::kLogoHeight, &bitmap, &error)) {
        prompt_.error(error);
        return false;
    }
    setLogoBitmap(bitmap);
    return true;
}

bool SendForm::loadPictureFile(const QString& path)
{
    sms::MonoBitmap bitmap;
    QString error;
    if (!compose::loadMonoBitmap(path, sms::kPictureWidth, sms::kPictureHeight, &bitmap, &error)) {
        prompt_.error(error);
        return false;
    }
    setPictureBitmap(bitmap);
    return true;
}

void SendForm::chooseLogoFile()
{
    const QString path = askForFile(FileKind::Logo);
    if (!path.isEmpty())
        loadLogoFile(path);
}

void SendForm::choosePictureFile()
{
    const QString path = askForFile(FileKind::Picture);
    if (!path.isEmpty())
        loadPictureFile(path);
}

// --------------------------------------------------------------- ringtone

bool SendForm::loadRingtoneFile(const QString& path)
{
    const compose::RingtoneChoice choice = compose::readRingtone(path);
    if (!compose::reportRingtone(choice, prompt_))
        return false;
    sRingToneHex_ = choice.streamHex;
    txtRingTone_->setText(choice.title);
    updateHookedButtons();
    return true;
}

void SendForm::chooseRingtoneFile()
{
    const QString path = askForFile(FileKind::Ringtone);
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return;
    loadRingtoneFile(path);
}

void SendForm::playRingtone()
{
    if (sRingToneHex_.isEmpty()) {
        prompt_.warning(compose::text::kNoRingtone);
        chooseRingtoneFile();
        return;
    }
    sMsgContent_ = sms::ringtoneParts(sRingToneHex_);
    if (hooks_.playRingtone)
        hooks_.playRingtone(parentWidget() ? parentWidget() : this, sMsgContent_);
}

// -------------------------------------------------------------- recipients

void SendForm::chooseNumberFile()
{
    const QString path = askForFile(FileKind::Numbers);
    txtFilePath_->setText(!path.isEmpty() && QFileInfo(path).isFile() ? path : QString());
}

void SendForm::pickAddresses()
{
    if (!hooks_.pickAddresses)
        return;
    hooks_.pickAddresses(this, asRecipients_);
    refreshOnActivation();
}

void SendForm::pickGroups()
{
    if (!hooks_.pickGroups)
        return;
    hooks_.pickGroups(this, asPickedGroups_);
    refreshOnActivation();
}

void SendForm::pickOperator()
{
    if (!hooks_.pickOperator)
        return;
    hooks_.pickOperator(this);
    refreshOnActivation();
}

void SendForm::insertField()
{
    if (!hooks_.insertField)
        return;
    hooks_.insertField(this, txtMessage_);
    txtMessage_->setFocus();
}

// -------------------------------------------------------------------- send

void SendForm::focusField(SendResult::Focus focus)
{
    switch (focus) {
    case SendResult::Focus::None: break;
    case SendResult::Focus::Message: txtMessage_->setFocus(); break;
    case SendResult::Focus::CannedList: cboCannedMessage_->setFocus(); break;
    case SendResult::Focus::OperatorCode: txtOperatorCode_->setFocus(); break;
    case SendResult::Focus::Number: txtNumber_->setFocus(); break;
    }
}

SendResult SendForm::send()
{
    compose::SendRequest r;
    r.kind = sngMsgType_;
    r.cannedSelected = optCannedText_->isChecked();
    r.text = txtMessage_->toPlainText();
    r.logoLoaded = bLogoLoaded_;
    r.logo = picLogo_->bitmap();
    r.operatorCode = txtOperatorCode_->text();
    r.pictureLoaded = bPictureLoaded_;
    r.picture = picPicture_->bitmap();
    r.pictureText = txtPictureMessage_->text();
    r.ringtoneHex = sRingToneHex_;
    r.previousContent = sMsgContent_;
    r.mode = recipientMode();
    r.numbers = txtNumber_->text();
    r.filePath = txtFilePath_->text();
    r.pickedGroups = asPickedGroups_;
    for (const PickedAddress& a : asRecipients_)
        r.pickedNumbers << a.number;
    r.date = ccrpDate_->date();
    r.time = ccrpTime_->time();

    const SendResult result = logic_.send(r);
    sMsgContent_ = result.content;
    if (sngMsgType_ == compose::KindLogo && txtOperatorCode_->text() != result.operatorCode) {
        txtOperatorCode_->setText(result.operatorCode);
        st_.sOpCode = result.operatorCode;
    }
    if (r.mode == RecipientMode::Numbers && txtNumber_->text() != result.numbers)
        txtNumber_->setText(result.numbers);
    focusField(result.focus);
    if (result.chooseFile)
        chooseNumberFile();
    return result;
}
