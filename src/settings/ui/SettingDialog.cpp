#include "settings/ui/SettingDialog.h"

#include "base/EngineState.h"
#include "modem/ModemLink.h"
#include "modem/SerialPorts.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "base/UserPrompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSerialPortInfo>
#include <algorithm>
#include <QVBoxLayout>

namespace {

QComboBox* makeCombo(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->setEditable(false);
    c->setMinimumContentsLength(12);
    return c;
}

QLineEdit* makeDayField(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    // Typed characters are checked (with a message) by the event filter;
    // the validator keeps pasted text to digits too.
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
    e->setMaximumWidth(48);
    return e;
}

// A caption that names its control (for a screen reader too).
QLabel* buddyLabel(const QString& caption, QWidget* control)
{
    auto* label = new QLabel(caption, control->parentWidget());
    label->setBuddy(control);
    return label;
}

// Selects text in the combo, adding it when the list lacks it.
void selectText(QComboBox* combo, const QString& text)
{
    int i = combo->findText(text);
    if (i < 0) {
        combo->addItem(text);
        i = combo->count() - 1;
    }
    combo->setCurrentIndex(i);
}

} // namespace

SettingDialog::SettingDialog(EngineState& state, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), st_(state), prompt_(prompt)
{
    setObjectName(QStringLiteral("frmSetting"));
    setWindowTitle(QStringLiteral("Velquarin 1.2") + QStringLiteral(" - Setting"));

    auto* modem = new QGroupBox(QStringLiteral("Modem"), this);
    cboSettingCOMPort = makeCombo(modem, "cboSettingCOMPort");
    cboSettingBaudRate = makeCombo(modem, "cboSettingBaudRate");
    for (const char* rate : {"2400", "4800", "9600", "19200", "38400", "57600"})
        cboSettingBaudRate->addItem(QLatin1String(rate));
    cboSettingHandshake = makeCombo(modem, "cboSettingHandshake");
    cboSettingHandshake->addItems(ModemLink::handshakeNames());
    txtAreaCode = new QLineEdit(modem);
    txtAreaCode->setObjectName(QStringLiteral("txtAreaCode"));
    auto* modemGrid = new QGridLayout(modem);
    modemGrid->addWidget(buddyLabel(QStringLiteral("COM Port:"), cboSettingCOMPort), 0, 0);
    modemGrid->addWidget(cboSettingCOMPort, 0, 1);
    modemGrid->addWidget(buddyLabel(QStringLiteral("Baud Rate"), cboSettingBaudRate), 1, 0);
    modemGrid->addWidget(cboSettingBaudRate, 1, 1);
    modemGrid->addWidget(buddyLabel(QStringLiteral("Handshake:"), cboSettingHandshake), 2, 0);
    modemGrid->addWidget(cboSettingHandshake, 2, 1);
    modemGrid->addWidget(buddyLabel(QStringLiteral("Area Code:"), txtAreaCode), 3, 0);
    modemGrid->addWidget(txtAreaCode, 3, 1);

    auto* box = new QGroupBox(QStringLiteral("Message Box"), this);
    txtInbox = makeDayField(box, "txtInbox");
    txtInbox->setMaxLength(2);
    txtSentItems = makeDayField(box, "txtSentItems");
    auto* boxGrid = new QGridLayout(box);
    boxGrid->addWidget(buddyLabel(QStringLiteral("Purge Inbox Items after"), txtInbox), 0, 0);
    boxGrid->addWidget(txtInbox, 0, 1);
    boxGrid->addWidget(new QLabel(QStringLiteral("Days"), box), 0, 2);
    boxGrid->addWidget(buddyLabel(QStringLiteral("Purge Sent Items after"), txtSentItems), 1, 0);
    boxGrid->addWidget(txtSentItems, 1, 1);
    boxGrid->addWidget(new QLabel(QStringLiteral("Days"), box), 1, 2);
    boxGrid->setColumnStretch(3, 1);

    chkAudible = new QCheckBox(QStringLiteral("Audible Alert for Incoming Messages"), this);
    chkAudible->setObjectName(QStringLiteral("chkAudible"));

    cmdSave = new QPushButton(QStringLiteral("Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(modem);
    layout->addWidget(box);
    layout->addWidget(chkAudible);
    layout->addLayout(buttons);

    for (QComboBox* c : {cboSettingCOMPort, cboSettingBaudRate, cboSettingHandshake}) {
        c->installEventFilter(this);
        // Only a pick from the list counts, not the filling below.
        connect(c, &QComboBox::activated, this, [this] { changed_ = true; });
    }
    txtInbox->installEventFilter(this);
    txtSentItems->installEventFilter(this);
    connect(cmdSave, &QPushButton::clicked, this, &SettingDialog::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    load();
}

void SettingDialog::fillPorts(const QString& stored)
{
    // Each port shows what the system says of it; what is saved is its
    // stable name when it has one, so a modem that comes back under
    // another number is still found.
    QList<serialports::PortEntry> ports = serialports::availablePorts();
    std::sort(ports.begin(), ports.end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
    for (const serialports::PortEntry& e : ports) {
        const QString name = e.stableName.isEmpty() ? e.path : e.stableName;
        if (cboSettingCOMPort->findData(name) >= 0)
            continue;
        cboSettingCOMPort->addItem(e.label(), name);
        cboSettingCOMPort->setItemData(cboSettingCOMPort->count() - 1, name, Qt::ToolTipRole);
    }
    int i = cboSettingCOMPort->findData(stored);
    if (i < 0)
        i = cboSettingCOMPort->findData(serialports::storedNameFor(stored));
    if (i < 0) {
        // A path the system does not list (a pseudo-terminal, a device that
        // is unplugged now) is still offered as it was stored.
        cboSettingCOMPort->addItem(stored, stored);
        i = cboSettingCOMPort->count() - 1;
    }
    cboSettingCOMPort->setCurrentIndex(i);
}

void SettingDialog::load()
{
    changed_ = false;
    fillPorts(Settings::comPort());
    selectText(cboSettingBaudRate, QString::number(Settings::baudRate()));
    selectText(cboSettingHandshake, Settings::handshake());
    txtAreaCode->setText(Settings::areaCode());
    txtInbox->setText(QString::number(Settings::inboxDays()));
    txtSentItems->setText(QString::number(Settings::sentItemsDays()));
    chkAudible->setChecked(Settings::audible() != 0);
}

bool SettingDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cboSettingCOMPort || watched == cboSettingBaudRate || watched == cboSettingHandshake) {
        // The lists accept no typing and no wheel turning: only a pick from
        // the opened list changes them. The keys that open the list, move
        // the focus or end the dialog still work.
        if (event->type() == QEvent::Wheel)
            return true;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            switch (key->key()) {
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_Escape:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_F4:
            case Qt::Key_Space:
                return false;
            case Qt::Key_Down:
            case Qt::Key_Up:
                return !(key->modifiers() & Qt::AltModifier);
            default:
                return true;
            }
        }
        return false;
    }

    if ((watched == txtInbox || watched == txtSentItems) && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.isEmpty())
            return false; // movement and other keys without a character
        const QChar c = text.at(0);
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false; // backspace, Enter and the editing shortcuts
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            return false;
        prompt_.show(UserPrompt::Icon::Warning, QStringLiteral("Warning"),
                                    QStringLiteral("Only numbers allowed"), UserPrompt::Buttons::Ok);
        static_cast<QWidget*>(watched)->setFocus();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SettingDialog::save()
{
    txtInbox->setText(trimBlanks(txtInbox->text()));
    txtSentItems->setText(trimBlanks(txtSentItems->text()));
    txtAreaCode->setText(trimBlanks(txtAreaCode->text()));

    st_.iAudibleAlert = chkAudible->isChecked() ? 1 : 0;

    const std::pair<const char*, QString> values[] = {
        {"SettingComPort", cboSettingCOMPort->currentData().toString()},
        {"SettingBaudRate", cboSettingBaudRate->currentText()},
        {"SettingHandshake", cboSettingHandshake->currentText()},
        {"SettingAreaCode", txtAreaCode->text()},
        {"SettingInbox", txtInbox->text()},
        {"SettingSentItems", txtSentItems->text()},
        {"SettingAudible", QString::number(st_.iAudibleAlert)},
    };
    for (const auto& [key, value] : values) {
        if (!Settings::save(QLatin1String(key), value)) {
            prompt_.error(QStringLiteral("Unable to save the settings to %1.").arg(Settings::fileName()));
            return;
        }
    }

    // The next cycle reopens the port with the new values and starts the
    // modem again. The area code and the days take effect at the next
    // modem start and the next program start.
    if (changed_)
        st_.bInitModemRequest = true;
    accept();
}
