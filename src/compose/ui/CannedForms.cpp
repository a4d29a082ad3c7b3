#include "compose/ui/CannedForms.h"

#include "base/UserPrompt.h"
#include "controls/WindowServices.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

using compose::CannedMessages;

namespace {

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return label;
}

QString addFailedText()
{
    return QStringLiteral("Unable to add Canned Message") + QLatin1Char('\n') +
           QStringLiteral("Check Message Queue for successful records.");
}

// The hourglass while the list is read.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

// ------------------------------------------------------------------ dialogs

QString CannedMessageDialog::retrieveFailedText()
{
    return QStringLiteral("Unable to retrieve Canned Message") + QLatin1Char('\n') +
           QStringLiteral("Check Message Queue for successful records.");
}

CannedMessageDialog::CannedMessageDialog(Mode mode, Database& db, UserPrompt& prompt, WindowServices& windows,
                                         const QString& title, QWidget* parent)
    : QDialog(parent), mode_(mode), canned_(db), prompt_(prompt), windows_(windows), title_(title)
{
    const bool add = mode == Mode::Add;
    setObjectName(add ? QStringLiteral("frmCannedAdd") : QStringLiteral("frmCannedEdit"));
    setWindowTitle(add ? QStringLiteral("New Canned Message") : QStringLiteral("Edit Canned Message"));

    txtTitle = new QLineEdit(this);
    txtTitle->setObjectName(QStringLiteral("txtTitle"));
    txtTitle->setMaxLength(compose::kMaxCannedTitle);
    txtMessage = new QPlainTextEdit(this);
    txtMessage->setObjectName(QStringLiteral("txtMessage"));
    txtMessage->setTabChangesFocus(true);
    txtMessage->setMinimumSize(360, 110);
    txtMessage->installEventFilter(this);
    lblCount = new QLabel(compose::cannedCountText(0), this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    lblCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    cmdInsertField = new QPushButton(QStringLiteral("Insert &Field"), this);
    cmdInsertField->setObjectName(add ? QStringLiteral("cmdInsertField") : QStringLiteral("Command1"));
    cmdSave = new QPushButton(add ? QStringLiteral("&Save") : QStringLiteral("&Update"), this);
    cmdSave->setObjectName(add ? QStringLiteral("cmdSave") : QStringLiteral("cmdUpdate"));
    cmdSave->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(buddyLabel(QStringLiteral("Message &Title"), txtTitle, this), 0, 0);
    grid->addWidget(txtTitle, 0, 1);
    auto* messageLabel = buddyLabel(QStringLiteral("&Message"), txtMessage, this);
    grid->addWidget(messageLabel, 1, 0, Qt::AlignTop);
    grid->addWidget(txtMessage, 1, 1);
    grid->addWidget(lblCount, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdInsertField);
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    setTabOrder(txtTitle, txtMessage);
    setTabOrder(txtMessage, cmdInsertField);
    setTabOrder(cmdInsertField, cmdSave);
    setTabOrder(cmdSave, cmdCancel);

    connect(txtMessage, &QPlainTextEdit::textChanged, this, &CannedMessageDialog::textChanged);
    connect(cmdInsertField, &QPushButton::clicked, this, &CannedMessageDialog::insertField);
    connect(cmdSave, &QPushButton::clicked, this, &CannedMessageDialog::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (add) {
        txtTitle->setFocus();
        return;
    }
    // The title of a canned message never changes.
    txtTitle->setText(title_);
    txtTitle->setReadOnly(true);
    txtTitle->setFocusPolicy(Qt::NoFocus);
    QString text;
    if (canned_.text(title_, &text) == CannedMessages::Lookup::Failed)
        prompt_.error(retrieveFailedText());
    txtMessage->setPlainText(text);
    txtMessage->moveCursor(QTextCursor::End);
    txtMessage->setFocus();
}

bool CannedMessageDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Enter is swallowed: a canned message is one line.
    if (watched == txtMessage && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CannedMessageDialog::textChanged()
{
    if (trimming_)
        return;
    // The box holds at most 160 characters: whatever was typed or pasted
    // beyond that is taken back where it went in.
    const int length = int(txtMessage->toPlainText().size());
    const int excess = length - compose::kMaxCannedText;
    if (excess > 0) {
        trimming_ = true;
        QTextCursor cursor(txtMessage->document());
        const int at = txtMessage->textCursor().position();
        if (at >= excess) {
            cursor.setPosition(at - excess);
            cursor.setPosition(at, QTextCursor::KeepAnchor);
        } else {
            cursor.setPosition(compose::kMaxCannedText);
            cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        }
        cursor.removeSelectedText();
        trimming_ = false;
    }
    lblCount->setText(compose::cannedCountText(int(txtMessage->toPlainText().size())));
}

void CannedMessageDialog::insertField()
{
    insertMergeField(this, txtMessage, windows_);
}

void CannedMessageDialog::save()
{
    QString text;
    CannedMessages::Result result;
    if (mode_ == Mode::Add) {
        QString title;
        result = canned_.add(txtTitle->text(), txtMessage->toPlainText(), &title, &text);
        txtTitle->setText(title);
        if (result != CannedMessages::Result::TitleBlank && result != CannedMessages::Result::TitleExists)
            txtMessage->setPlainText(text);
    } else {
        result = canned_.update(title_, txtMessage->toPlainText(), &text);
        txtMessage->setPlainText(text);
    }

    switch (result) {
    case CannedMessages::Result::Ok:
        savedText_ = text;
        accept();
        return;
    case CannedMessages::Result::TitleBlank:
        prompt_.warning(QStringLiteral("Message Title cannot be blank"));
        txtTitle->setFocus();
        return;
    case CannedMessages::Result::TitleExists:
        prompt_.warning(QStringLiteral("This Message Title already exists"));
        txtTitle->setFocus();
        return;
    case CannedMessages::Result::TextBlank:
        prompt_.warning(mode_ == Mode::Add ? QStringLiteral("Message Text cannot be blank")
                                           : QStringLiteral("Message cannot be blank"));
        txtMessage->setFocus();
        return;
    case CannedMessages::Result::Failed:
        prompt_.error(mode_ == Mode::Add ? addFailedText() : retrieveFailedText());
        return;
    }
}

// -------------------------------------------------------------- canned list

CannedList::CannedList(const CannedListControls& controls, Database& db, UserPrompt& prompt,
                       WindowServices& windows)
    : QObject(controls.list ? controls.list->window() : nullptr), c_(controls), list_(controls.list),
      target_(controls.target), db_(db), prompt_(prompt), windows_(windows)
{
    setObjectName(QStringLiteral("CannedList"));
    if (c_.list)
        connect(c_.list, &QComboBox::activated, this, &CannedList::choose);
    if (c_.cmdNew)
        connect(c_.cmdNew, &QPushButton::clicked, this, &CannedList::newCanned);
    if (c_.cmdEdit)
        connect(c_.cmdEdit, &QPushButton::clicked, this, &CannedList::editCanned);
    if (c_.cmdDelete)
        connect(c_.cmdDelete, &QPushButton::clicked, this, &CannedList::deleteCanned);
    populate();
}

void CannedList::populate()
{
    if (!list_)
        return;
    WaitCursor wait;
    list_->clear();
    list_->addItem(firstEntryText());
    CannedMessages canned(db_);
    QStringList titles;
    const bool ok = canned.titles(&titles);
    list_->addItems(titles);
    list_->setCurrentIndex(0);
    if (!ok)
        prompt_.error(CannedMessageDialog::retrieveFailedText());
}

void CannedList::choose(int index)
{
    if (!list_ || index <= 0 || index >= list_->count())
        return;
    CannedMessages canned(db_);
    QString text;
    if (canned.text(list_->itemText(index), &text) == CannedMessages::Lookup::Failed) {
        // The box keeps what it had.
        prompt_.error(CannedMessageDialog::retrieveFailedText());
        return;
    }
    if (target_)
        target_->setPlainText(text);
}

void CannedList::newCanned()
{
    if (!list_)
        return;
    CannedMessageDialog dialog(CannedMessageDialog::Mode::Add, db_, prompt_, windows_, {}, list_->window());
    if (windows_.runModal(dialog) == QDialog::Accepted && target_)
        target_->setPlainText(dialog.savedText());
    populate();
}

void CannedList::editCanned()
{
    if (!list_)
        return;
    if (list_->currentIndex() <= 0) {
        prompt_.warning(QStringLiteral("Please select Canned Message"));
        list_->setFocus();
        return;
    }
    CannedMessageDialog dialog(CannedMessageDialog::Mode::Edit, db_, prompt_, windows_, list_->currentText(),
                               list_->window());
    if (windows_.runModal(dialog) == QDialog::Accepted && target_)
        target_->setPlainText(dialog.savedText());
}

void CannedList::deleteCanned()
{
    if (!list_)
        return;
    const int index = list_->currentIndex();
    if (index < 1)
        return;
    if (!prompt_.confirmDestructive(QStringLiteral("Confirm delete selected canned message?"),
                                    QStringLiteral("Confirm")))
        return;
    CannedMessages canned(db_);
    if (!canned.remove(list_->itemText(index))) {
        prompt_.error(QStringLiteral("Unable to delete Canned Message"));
        return;
    }
    list_->removeItem(index);
    list_->setCurrentIndex(0);
}

CannedList* installCannedList(const CannedListControls& controls, Database& db, UserPrompt& prompt,
                              WindowServices& windows)
{
    return new CannedList(controls, db, prompt, windows);
}
