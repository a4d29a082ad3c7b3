#include "remote/ui/HttpSettingForms.h"

#include "base/Database.h"
#include "base/Settings.h"
#include "base/UserPrompt.h"
#include "base/EngineState.h"
#include "controls/WindowServices.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& caption, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

// ------------------------------------------------------ one address

IpAddressDialog::IpAddressDialog(Mode mode, Database& db, UserPrompt& prompt, const IpRange& old, QWidget* parent)
    : QDialog(parent), mode_(mode), db_(db), prompt_(prompt), old_(old)
{
    const bool add = mode == Mode::Add;
    setObjectName(add ? QStringLiteral("frmSettingHTTPAdd") : QStringLiteral("frmSettingHTTPChange"));
    setWindowTitle(add ? QStringLiteral("New IP Address") : QStringLiteral("Update IP Address"));

    static const char* const names[] = {"first octet", "second octet", "third octet", "fourth octet",
                                        "end of the range of the fourth octet"};
    const int values[] = {old.a, old.b, old.c, old.d, old.e};
    auto* row = new QHBoxLayout;
    for (int i = 0; i < 5; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("txtIP%1").arg(i));
        box->setAccessibleName(QStringLiteral("IP address, ") + QLatin1String(names[i]));
        box->setMaxLength(3);
        box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), box));
        box->setAlignment(Qt::AlignRight);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
        box->setText(add ? QStringLiteral("0") : QString::number(values[i]));
        box->installEventFilter(this);
        txtIP[size_t(i)] = box;
        if (i > 0)
            row->addWidget(new QLabel(i < 4 ? QStringLiteral(".") : QStringLiteral("to"), this));
        row->addWidget(box);
    }
    row->addStretch(1);

    cmdOK = button(QStringLiteral("OK"), "cmdOK", this);
    cmdOK->setDefault(true);
    cmdCancel = button(QStringLiteral("Cancel"), "cmdCancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("IP Address"), this));
    layout->addLayout(row);
    layout->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, &IpAddressDialog::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

int IpAddressDialog::boxIndex(QObject* watched) const
{
    for (int i = 0; i < 5; ++i)
        if (watched == txtIP[size_t(i)])
            return i;
    return -1;
}

bool IpAddressDialog::eventFilter(QObject* watched, QEvent* event)
{
    const int i = boxIndex(watched);
    if (i < 0)
        return QDialog::eventFilter(watched, event);
    QLineEdit* box = txtIP[size_t(i)];
    switch (event->type()) {
    case QEvent::FocusIn:
        box->selectAll();
        // A click that gives the focus places the cursor afterwards.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, box, [box] { box->selectAll(); });
        break;
    case QEvent::FocusOut:
        if (box->text().isEmpty())
            box->setText(QStringLiteral("0"));
        break;
    case QEvent::KeyPress: {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7f)
            return false; // Backspace, movement, Tab, Enter, Escape
        if (text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9'))
            return false;
        if (text == QLatin1String(".") && i < 4)
            txtIP[size_t(i + 1)]->setFocus(Qt::TabFocusReason);
        return true; // every other character is dropped
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void IpAddressDialog::refuse(const QString& text, int box)
{
    prompt_.warning(text);
    txtIP[size_t(box)]->setFocus();
    txtIP[size_t(box)]->selectAll();
}

void IpAddressDialog::save()
{
    int values[5];
    for (int i = 0; i < 5; ++i) {
        QLineEdit* box = txtIP[size_t(i)];
        if (box->text().isEmpty())
            box->setText(QStringLiteral("0"));
        values[i] = box->text().toInt();
    }
    const IpRange r{values[0], values[1], values[2], values[3], values[4]};
    int box = 0;
    switch (HttpSettings::checkRange(r, &box)) {
    case HttpSettings::RangeCheck::InvalidAddress:
        refuse(QStringLiteral("Invalid IP Address"), box);
        return;
    case HttpSettings::RangeCheck::InvalidRange:
        refuse(mode_ == Mode::Change && r.d > r.e ? QStringLiteral("Invalid IP Address")
                                                  : QStringLiteral("Invalid IP Address Range"),
               box);
        return;
    default:
        break;
    }
    const QString failed =
        mode_ == Mode::Add ? QStringLiteral("Unable to Add record") : QStringLiteral("Unable to update record");
    // The row unchanged is a duplicate of itself.
    switch (HttpSettings::checkDuplicate(db_, r)) {
    case HttpSettings::RangeCheck::Duplicate:
        refuse(QStringLiteral("Duplicate IP Address"), 0);
        return;
    case HttpSettings::RangeCheck::DatabaseError:
        prompt_.databaseError(failed);
        return;
    default:
        break;
    }
    const bool written = mode_ == Mode::Add ? HttpSettings::add(db_, r) : HttpSettings::change(db_, old_, r);
    if (!written) {
        prompt_.databaseError(failed);
        return;
    }
    saved_ = r;
    accept();
}

// ------------------------------------------------------- the service

SettingHttpDialog::SettingHttpDialog(Database& db, EngineState& state, UserPrompt& prompt, WindowServices& windows,
                                     QWidget* parent)
    : QDialog(parent), db_(db), st_(state), prompt_(prompt), windows_(windows)
{
    setObjectName(QStringLiteral("frmSettingHTTP"));
    setWindowTitle(QStringLiteral("HTTP Service"));

    auto* computer = new QGroupBox(QStringLiteral("This Computer"), this);
    lblHostName = new QLabel(HttpSettings::hostName(), computer);
    lblHostName->setObjectName(QStringLiteral("lblHostName"));
    lblHostName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblIPAddress = new QLabel(HttpSettings::hostAddress(), computer);
    lblIPAddress->setObjectName(QStringLiteral("lblIPAddress"));
    lblIPAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* computerGrid = new QGridLayout(computer);
    computerGrid->addWidget(new QLabel(QStringLiteral("Host Name"), computer), 0, 0);
    computerGrid->addWidget(lblHostName, 0, 1);
    computerGrid->addWidget(new QLabel(QStringLiteral("IP Address"), computer), 1, 0);
    computerGrid->addWidget(lblIPAddress, 1, 1);
    computerGrid->setColumnStretch(1, 1);

    txtSettingHTTPPort = new QLineEdit(this);
    txtSettingHTTPPort->setObjectName(QStringLiteral("txtSettingHTTPPort"));
    txtSettingHTTPPort->setMaxLength(5);
    txtSettingHTTPPort->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), txtSettingHTTPPort));
    txtSettingHTTPPort->setFixedWidth(txtSettingHTTPPort->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    auto* portLabel = new QLabel(QStringLiteral("HTTP &Port"), this);
    portLabel->setBuddy(txtSettingHTTPPort);
    txtSettingHTTPPort->setAccessibleName(QStringLiteral("HTTP Port"));
    chkSettingStartHTTP = new QCheckBox(QStringLiteral("&Enable HTTP Service"), this);
    chkSettingStartHTTP->setObjectName(QStringLiteral("chkSettingStartHTTP"));
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(portLabel);
    portRow->addWidget(txtSettingHTTPPort);
    portRow->addSpacing(16);
    portRow->addWidget(chkSettingStartHTTP);
    portRow->addStretch(1);

    lsvList = new QTreeWidget(this);
    lsvList->setObjectName(QStringLiteral("lsvList"));
    lsvList->setColumnCount(5);
    lsvList->setHeaderHidden(true);
    lsvList->setRootIsDecorated(false);
    lsvList->setUniformRowHeights(true);
    lsvList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lsvList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lsvList->header()->setStretchLastSection(true);
    lsvList->setMinimumHeight(140);
    lsvList->installEventFilter(this);
    auto* listLabel = new QLabel(QStringLiteral("IP Addresses a&llowed to connect"), this);
    listLabel->setBuddy(lsvList);
    lsvList->setAccessibleName(QStringLiteral("IP Addresses allowed to connect"));
    connect(lsvList, &QTreeWidget::itemDoubleClicked, this, [this] { changeAddress(); });

    cmdAdd = button(QStringLiteral("&Add"), "cmdAdd", this);
    cmdChange = button(QStringLiteral("C&hange"), "cmdChange", this);
    cmdDelete = button(QStringLiteral("&Delete"), "cmdDelete", this);
    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(cmdAdd);
    listButtons->addWidget(cmdChange);
    listButtons->addWidget(cmdDelete);
    listButtons->addStretch(1);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(lsvList, 1);
    listRow->addLayout(listButtons);

    cmdOK = button(QStringLiteral("OK"), "cmdOK", this);
    cmdOK->setDefault(true);
    cmdCancel = button(QStringLiteral("Cancel"), "cmdCancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(computer);
    layout->addLayout(portRow);
    layout->addWidget(listLabel);
    layout->addLayout(listRow);
    layout->addLayout(buttons);

    connect(cmdAdd, &QPushButton::clicked, this, &SettingHttpDialog::addAddress);
    connect(cmdChange, &QPushButton::clicked, this, &SettingHttpDialog::changeAddress);
    connect(cmdDelete, &QPushButton::clicked, this, &SettingHttpDialog::deleteAddresses);
    connect(cmdOK, &QPushButton::clicked, this, &SettingHttpDialog::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    txtSettingHTTPPort->setText(QString::number(st_.iHTTPPort));
    chkSettingStartHTTP->setChecked(st_.iStartHTTP == 1);
    reloadList();
}

QTreeWidgetItem* SettingHttpDialog::addRow(const IpRange& r)
{
    auto* item = new QTreeWidgetItem(lsvList, r.columns());
    item->setData(0, Qt::AccessibleTextRole, r.display().trimmed());
    return item;
}

void SettingHttpDialog::reloadList()
{
    lsvList->clear();
    bool ok = true;
    const QList<IpRange> rows = HttpSettings::load(db_, &ok);
    for (const IpRange& r : rows)
        addRow(r);
    if (!ok)
        prompt_.error(db_.lastError());
}

bool SettingHttpDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lsvList && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Insert:
            addAddress();
            return true;
        case Qt::Key_Delete:
            deleteAddresses();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SettingHttpDialog::addAddress()
{
    IpAddressDialog dialog(IpAddressDialog::Mode::Add, db_, prompt_, {}, this);
    if (windows_.runModal(dialog) == QDialog::Accepted)
        lsvList->setCurrentItem(addRow(dialog.range()));
}

void SettingHttpDialog::changeAddress()
{
    QTreeWidgetItem* item = lsvList->currentItem();
    if (lsvList->topLevelItemCount() == 0 || !item)
        return;
    QStringList columns;
    for (int c = 0; c < 5; ++c)
        columns << item->text(c);
    IpRange old;
    if (!IpRange::fromColumns(columns, &old))
        return;
    IpAddressDialog dialog(IpAddressDialog::Mode::Change, db_, prompt_, old, this);
    if (windows_.runModal(dialog) != QDialog::Accepted)
        return;
    const QStringList now = dialog.range().columns();
    for (int c = 0; c < 5; ++c)
        item->setText(c, now.at(c));
    item->setData(0, Qt::AccessibleTextRole, dialog.range().display().trimmed());
}

void SettingHttpDialog::deleteAddresses()
{
    if (lsvList->topLevelItemCount() == 0)
        return;
    if (prompt_.show(UserPrompt::Icon::Question, QStringLiteral("Confirm Delete..."),
                     QStringLiteral("Confirm delete selected items?"),
                     UserPrompt::Buttons::YesNoDefaultNo) != UserPrompt::Answer::Yes)
        return;
    QList<QTreeWidgetItem*> items;
    QList<IpRange> rows;
    for (int i = lsvList->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = lsvList->topLevelItem(i);
        if (!item->isSelected())
            continue;
        QStringList columns;
        for (int c = 0; c < 5; ++c)
            columns << item->text(c);
        IpRange r;
        if (IpRange::fromColumns(columns, &r)) {
            items << item;
            rows << r;
        }
    }
    if (rows.isEmpty())
        return;
    // The list loses the rows only once the table has.
    if (!HttpSettings::remove(db_, rows)) {
        prompt_.databaseError(QStringLiteral("Unable to delete record"));
        reloadList();
        return;
    }
    qDeleteAll(items);
}

void SettingHttpDialog::save()
{
    int port = 0;
    const bool enabled = chkSettingStartHTTP->isChecked();
    txtSettingHTTPPort->setText(txtSettingHTTPPort->text().trimmed());
    if (HttpSettings::checkPort(txtSettingHTTPPort->text(), enabled, &port) != HttpSettings::PortCheck::Ok) {
        prompt_.warning(QStringLiteral("Invalid HTTP Port Number."));
        txtSettingHTTPPort->setFocus();
        return;
    }
    const int flag = enabled ? 1 : 0;
    if (!Settings::save(QStringLiteral("SettingHTTPPort"), port) ||
        !Settings::save(QStringLiteral("SettingStartHTTP"), flag)) {
        prompt_.error(QStringLiteral("Unable to save the settings to %1.").arg(Settings::fileName()));
        return;
    }
    st_.iHTTPPort = port;
    st_.iStartHTTP = flag;
    accept();
    prompt_.note(QStringLiteral("Please restart program to apply changes."));
}
