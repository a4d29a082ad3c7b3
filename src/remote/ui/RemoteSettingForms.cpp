#include "remote/ui/RemoteSettingForms.h"

#include "base/Database.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "base/UserPrompt.h"
#include "controls/TrimTextBox.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "remote/RemoteSettings.h"
#include "sms/Gsm7.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

// OK (the default button) and Cancel at the foot of a dialog.
QHBoxLayout* okCancel(QDialog* dialog, QPushButton** ok, QPushButton** cancel)
{
    *ok = new QPushButton(QStringLiteral("OK"), dialog);
    (*ok)->setObjectName(QStringLiteral("cmdOK"));
    (*ok)->setDefault(true);
    *cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    (*cancel)->setObjectName(QStringLiteral("cmdCancel"));
    QObject::connect(*cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(*ok);
    row->addWidget(*cancel);
    return row;
}

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return label;
}

void settingsNotSaved(UserPrompt& prompt)
{
    prompt.error(QStringLiteral("Unable to save the settings to %1.").arg(Settings::fileName()));
}

} // namespace

// ------------------------------------------------------ remote retrieving

SettingRetrievingDialog::SettingRetrievingDialog(EngineState& state, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), st_(state), prompt_(prompt)
{
    setObjectName(QStringLiteral("frmSettingRetrieving"));
    setWindowTitle(QStringLiteral("Remote Retrieving Setting"));

    txtSettingRemotePN = new QLineEdit(this);
    txtSettingRemotePN->setObjectName(QStringLiteral("txtSettingRemotePN"));
    txtSettingRemotePN->setMaxLength(20);
    txtSettingRemotePN->setText(st_.sRemotePhoneNo);
    (new TrimTextBox(this))->setTextBox(txtSettingRemotePN);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buddyLabel(QStringLiteral("Phone Number allowed for Remote Retrieving"), txtSettingRemotePN, this));
    layout->addWidget(txtSettingRemotePN);
    layout->addLayout(okCancel(this, &cmdOK, &cmdCancel));
    connect(cmdOK, &QPushButton::clicked, this, &SettingRetrievingDialog::save);
}

void SettingRetrievingDialog::save()
{
    txtSettingRemotePN->setText(txtSettingRemotePN->text().trimmed());
    if (!RemoteSettings::saveRemotePhone(st_, txtSettingRemotePN->text())) {
        settingsNotSaved(prompt_);
        return;
    }
    accept();
}

// ------------------------------------------------------------ auto-respond

SettingAutoRespondDialog::SettingAutoRespondDialog(Database& db, EngineState& state, UserPrompt& prompt,
                                                   QWidget* parent)
    : QDialog(parent), db_(db), st_(state), prompt_(prompt)
{
    setObjectName(QStringLiteral("frmSettingAutoRespond"));
    setWindowTitle(QStringLiteral("Auto-respond"));

    chkSettingAutRsp = new QCheckBox(QStringLiteral("Turn on Auto-respond"), this);
    chkSettingAutRsp->setObjectName(QStringLiteral("chkSettingAutRsp"));
    chkSettingAutRsp->setChecked(st_.iAutoRespond == 1);
    txtSettingAutRspTxt = new QPlainTextEdit(this);
    txtSettingAutRspTxt->setObjectName(QStringLiteral("txtSettingAutRspTxt"));
    txtSettingAutRspTxt->setTabChangesFocus(true);
    txtSettingAutRspTxt->setMinimumSize(320, 90);
    txtSettingAutRspTxt->setPlainText(st_.sAutoRespondText);
    lastGood_ = txtSettingAutRspTxt->toPlainText();
    (new TrimTextBox(this))->setTextBox(txtSettingAutRspTxt);
    connect(txtSettingAutRspTxt, &QPlainTextEdit::textChanged, this, &SettingAutoRespondDialog::keepSendableText);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(chkSettingAutRsp);
    layout->addWidget(buddyLabel(QStringLiteral("Auto-respond message"), txtSettingAutRspTxt, this));
    layout->addWidget(txtSettingAutRspTxt);
    layout->addLayout(okCancel(this, &cmdOK, &cmdCancel));
    connect(cmdOK, &QPushButton::clicked, this, &SettingAutoRespondDialog::save);
}

void SettingAutoRespondDialog::keepSendableText()
{
    if (restoring_)
        return;
    const QString text = txtSettingAutRspTxt->toPlainText();
    bool ok = true;
    const int septets = gsm7::septetCount(text, &ok);
    if (ok && septets <= gsm7::kMaxSeptets) {
        lastGood_ = text;
        return;
    }
    // Put the last good text back with the cursor where the input began.
    const int at = qMax(0, txtSettingAutRspTxt->textCursor().position() - int(text.size() - lastGood_.size()));
    restoring_ = true;
    txtSettingAutRspTxt->setPlainText(lastGood_);
    QTextCursor cursor = txtSettingAutRspTxt->textCursor();
    cursor.setPosition(qBound(0, at, int(lastGood_.size())));
    txtSettingAutRspTxt->setTextCursor(cursor);
    restoring_ = false;
}

void SettingAutoRespondDialog::save()
{
    const QString text = trimBlanks(txtSettingAutRspTxt->toPlainText());
    if (text != txtSettingAutRspTxt->toPlainText())
        txtSettingAutRspTxt->setPlainText(text);
    const bool on = chkSettingAutRsp->isChecked();
    if (on && text.isEmpty()) {
        prompt_.warning(QStringLiteral("Auto-respond message cannot be blank."));
        txtSettingAutRspTxt->setFocus();
        return;
    }
    QString why;
    if (on && !OutboxQueue::canSendText(text, &why)) {
        prompt_.warning(why);
        txtSettingAutRspTxt->setFocus();
        return;
    }
    switch (RemoteSettings::saveAutoRespond(db_, st_, on, text)) {
    case RemoteSettings::AutoRespondResult::UpdateFailed:
        prompt_.databaseError(QStringLiteral("Unable to update messages."));
        return;
    case RemoteSettings::AutoRespondResult::SettingsFailed:
        settingsNotSaved(prompt_);
        return;
    case RemoteSettings::AutoRespondResult::Saved:
        accept();
        return;
    }
}

// ---------------------------------------------------------- group dialogs

SettingGroupDialog::SettingGroupDialog(Kind kind, Database& db, EngineState& state, UserPrompt& prompt,
                                       QWidget* parent)
    : QDialog(parent), kind_(kind), st_(state), prompt_(prompt)
{
    const bool send = kind == Kind::GroupSend;
    setObjectName(send ? QStringLiteral("frmSettingGrpSnd") : QStringLiteral("frmSettingForward"));
    setWindowTitle(send ? QStringLiteral("Remote Sending") : QStringLiteral("Auto-forward"));

    cboGroup = new QComboBox(this);
    cboGroup->setObjectName(QStringLiteral("cboGroup"));
    cboGroup->setEditable(false);
    cboGroup->setMinimumContentsLength(20);
    QStringList entries{QStringLiteral("None")};
    bool ok = true;
    entries << RemoteSettings::groups(db, &ok);
    cboGroup->addItems(entries);
    const QString saved = send ? st_.sGroupSendGroup : st_.sAutoFwdGroup;
    cboGroup->setCurrentIndex(cboGroup->findText(RemoteSettings::shownGroup(entries, saved), Qt::MatchExactly));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buddyLabel(send ? QStringLiteral("Group allowed to send messages remotely")
                                      : QStringLiteral("Forward to Group"),
                                 cboGroup, this));
    layout->addWidget(cboGroup);
    layout->addLayout(okCancel(this, &cmdOK, &cmdCancel));
    connect(cmdOK, &QPushButton::clicked, this, &SettingGroupDialog::save);

    if (!ok)
        prompt_.error(db.lastError());
}

void SettingGroupDialog::save()
{
    const QString group = cboGroup->currentText();
    const bool saved = kind_ == Kind::GroupSend ? RemoteSettings::saveGroupSendGroup(st_, group)
                                                : RemoteSettings::saveAutoForwardGroup(st_, group);
    if (!saved) {
        settingsNotSaved(prompt_);
        return;
    }
    accept();
}
