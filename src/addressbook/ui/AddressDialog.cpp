#include "addressbook/ui/AddressDialog.h"

#include "addressbook/AddressBook.h"
#include "addressbook/AddressGroups.h"
#include "addressbook/ui/CheckListDialog.h"
#include "base/TextUtil.h"
#include "base/UserPrompt.h"
#include "controls/WindowServices.h"
#include "controls/TrimTextBox.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

struct BoxLayout {
    AddressField field;
    int page;
    const char* label;  // with its mnemonic
};

// Which page each box is on and its label, in tab order. The first page
// holds the name and the number.
const BoxLayout kBoxes[] = {
    {AddressField::Salutation, 0, "&Salutation:"},
    {AddressField::FirstName, 0, "&First Name:"},
    {AddressField::LastName, 0, "&Last Name:"},
    {AddressField::Title, 0, "&Title:"},
    {AddressField::PhoneNo, 0, "&Mobile Phone No:"},
    {AddressField::Email, 0, "&E-mail:"},
    {AddressField::Company, 1, "&Company:"},
    {AddressField::StAddress, 1, "Street &Address:"},
    {AddressField::PCode, 1, "&Postal Code:"},
    {AddressField::ContactNo, 1, "Co&ntact No:"},
    {AddressField::ContactExt, 1, "Ex&t:"},
    {AddressField::FaxNo, 1, "Fa&x No:"},
    {AddressField::Field1, 2, "Field &1:"},
    {AddressField::Field2, 2, "Field &2:"},
    {AddressField::Field3, 2, "Field &3:"},
    {AddressField::Remark, 2, "&Remark:"},
};

const char* const kPages[] = {"General", "Business", "Others", "Groups"};

QString plainLabel(const char* label)
{
    QString s = QString::fromLatin1(label);
    s.remove(QLatin1Char('&'));
    if (s.endsWith(QLatin1Char(':')))
        s.chop(1);
    return s;
}

// Keeps a several-line box to its length: typed or pasted text beyond it is
// cut, and the caret stays where it was as far as the text allows.
void limitLength(QPlainTextEdit* box, int max)
{
    QObject::connect(box, &QPlainTextEdit::textChanged, box, [box, max] {
        const QString text = box->toPlainText();
        if (text.size() <= max)
            return;
        const int caret = std::min(box->textCursor().position(), max);
        const QSignalBlocker block(box);
        QTextCursor c(box->document());
        c.setPosition(max);
        c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        c.setPosition(caret);
        box->setTextCursor(c);
    });
}

} // namespace

AddressDialog::AddressDialog(Mode mode, Database& db, UserPrompt& prompt, WindowServices& windows,
                             const QString& number, QWidget* parent)
    : QDialog(parent), mode_(mode), db_(db), prompt_(prompt), windows_(windows)
{
    const bool add = mode == Mode::Add;
    setObjectName(add ? QStringLiteral("frmAddressAdd") : QStringLiteral("frmAddressEdit"));
    setWindowTitle(add ? QStringLiteral("New Address") : QStringLiteral("Update Address"));
    buildForm();
    if (add)
        setText(AddressField::PhoneNo, number);
    else
        loadEntry(number);
    tabDef->setCurrentIndex(0);
    box(AddressField::Salutation)->setFocus();
}

void AddressDialog::buildForm()
{
    tabDef = new QTabWidget(this);
    tabDef->setObjectName(QStringLiteral("tabDef"));
    tabDef->setAccessibleName(QStringLiteral("Address pages"));
    QFormLayout* forms[3] = {};
    for (int p = 0; p < 4; ++p) {
        auto* page = new QWidget(tabDef);
        tabDef->addTab(page, QLatin1String(kPages[p]));
        if (p < 3) {
            // The rows stand at the top of the page, however tall it is.
            auto* column = new QVBoxLayout(page);
            forms[p] = new QFormLayout;
            forms[p]->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
            column->addLayout(forms[p]);
            column->addStretch(1);
        }
    }

    QWidget* previous = tabDef;
    for (const BoxLayout& b : kBoxes) {
        const AddressFieldInfo& info = addressFieldInfo(b.field);
        QWidget* page = tabDef->widget(b.page);
        QWidget* w = nullptr;
        if (info.multiLine) {
            auto* edit = new QPlainTextEdit(page);
            edit->setTabChangesFocus(true);
            edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 4 + 12);
            limitLength(edit, info.maxLength);
            w = edit;
        } else {
            auto* edit = new QLineEdit(page);
            edit->setMaxLength(info.maxLength);
            w = edit;
        }
        w->setObjectName(QLatin1String(info.control));
        w->setAccessibleName(plainLabel(b.label));
        auto* label = new QLabel(QLatin1String(b.label), page);
        label->setBuddy(w);
        forms[b.page]->addRow(label, w);
        // Each box trims itself on leaving and selects its text on entering.
        (new TrimTextBox(this))->setTextBox(w);
        boxes_[size_t(b.field)] = w;
        setTabOrder(previous, w);
        previous = w;
    }
    qobject_cast<QLineEdit*>(box(AddressField::PhoneNo))->setMinimumWidth(200);

    QWidget* groupsPage = tabDef->widget(3);
    lsvGroup = new QListWidget(groupsPage);
    lsvGroup->setObjectName(QStringLiteral("lsvGroup"));
    lsvGroup->setAccessibleName(QStringLiteral("Groups"));
    cmdAdd = new QPushButton(QStringLiteral("Add New"), groupsPage);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdAdd->setAutoDefault(false);
    cmdDelete = new QPushButton(QStringLiteral("Delete Selected"), groupsPage);
    cmdDelete->setObjectName(QStringLiteral("cmdDelete"));
    cmdDelete->setAutoDefault(false);
    connect(cmdAdd, &QPushButton::clicked, this, &AddressDialog::pickGroups);
    connect(cmdDelete, &QPushButton::clicked, this, &AddressDialog::deleteTickedGroups);
    auto* groupButtons = new QVBoxLayout;
    groupButtons->addWidget(cmdAdd);
    groupButtons->addWidget(cmdDelete);
    groupButtons->addStretch(1);
    auto* groupsLayout = new QHBoxLayout(groupsPage);
    groupsLayout->addWidget(lsvGroup, 1);
    groupsLayout->addLayout(groupButtons);
    setTabOrder(previous, lsvGroup);
    setTabOrder(lsvGroup, cmdAdd);
    setTabOrder(cmdAdd, cmdDelete);

    const bool add = mode_ == Mode::Add;
    cmdSave = new QPushButton(add ? QStringLiteral("Save") : QStringLiteral("Update"), this);
    cmdSave->setObjectName(add ? QStringLiteral("cmdSave") : QStringLiteral("cmdUpdate"));
    cmdSave->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    connect(cmdSave, &QPushButton::clicked, this, &AddressDialog::save);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    setTabOrder(cmdDelete, cmdSave);
    setTabOrder(cmdSave, cmdCancel);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabDef, 1);
    layout->addLayout(buttons);
    resize(460, sizeHint().height());
}

void AddressDialog::loadEntry(const QString& number)
{
    loadedNumber_ = number;
    AddressBook book(db_);
    AddressEntry entry;
    if (book.load(number, &entry) != AddressBook::LoadResult::Loaded)
        prompt_.databaseError(QStringLiteral("Unable to access record"));
    for (const AddressFieldInfo& info : addressFields())
        setText(info.field, entry[info.field]);
    QStringList groups;
    QString error;
    if (!book.loadGroups(number, &groups, &error))
        prompt_.show(UserPrompt::Icon::Critical, QStringLiteral("Unable to open Address Book"), error,
                     UserPrompt::Buttons::Ok);
    addGroups(groups);
}

QString AddressDialog::text(AddressField field) const
{
    QWidget* w = box(field);
    if (auto* line = qobject_cast<QLineEdit*>(w))
        return line->text();
    return qobject_cast<QPlainTextEdit*>(w)->toPlainText();
}

void AddressDialog::setText(AddressField field, const QString& text)
{
    QWidget* w = box(field);
    if (auto* line = qobject_cast<QLineEdit*>(w))
        line->setText(text);
    else
        qobject_cast<QPlainTextEdit*>(w)->setPlainText(text);
}

QStringList AddressDialog::groups() const
{
    QStringList out;
    for (int i = 0; i < lsvGroup->count(); ++i)
        out << lsvGroup->item(i)->text();
    return out;
}

void AddressDialog::addGroups(const QStringList& names)
{
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, lsvGroup);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void AddressDialog::pickGroups()
{
    const QString number = trimBlanks(text(AddressField::PhoneNo));
    bool ok = true;
    QString error;
    const QStringList candidates = AddressGroups(db_).groupsWithout(number, &ok, &error);
    if (!ok) {
        prompt_.error(error);
        return;
    }
    const QStringList listed = groups();
    CheckListDialog picker({QStringLiteral("frmAddressGroupAdd"), QStringLiteral("Group List"),
                            {QStringLiteral("Name")}, QStringLiteral("Groups"), QStringLiteral("Add Selected"),
                            QStringLiteral("cmdAdd")},
                           this);
    for (const QString& g : candidates)
        if (!listed.contains(g, Qt::CaseInsensitive))
            picker.addRow({g}, g);
    if (windows_.runModal(picker) == QDialog::Accepted)
        addGroups(picker.tickedTags());
}

void AddressDialog::deleteTickedGroups()
{
    for (int i = lsvGroup->count() - 1; i >= 0; --i)
        if (lsvGroup->item(i)->checkState() == Qt::Checked)
            delete lsvGroup->takeItem(i);
}

void AddressDialog::refuse(AddressField field, const QString& message)
{
    tabDef->setCurrentIndex(0);
    prompt_.warning(message);
    box(field)->setFocus();
}

bool AddressDialog::save()
{
    AddressEntry entry;
    for (const AddressFieldInfo& info : addressFields()) {
        // The boxes show what is stored: a box left with Enter was not
        // trimmed by losing the focus.
        const QString trimmed = trimBlanks(text(info.field));
        if (trimmed != text(info.field))
            setText(info.field, trimmed);
        entry[info.field] = trimmed;
    }
    const bool add = mode_ == Mode::Add;
    AddressBook book(db_);
    const AddressBook::SaveResult r =
        add ? book.addAddress(entry, groups()) : book.updateAddress(loadedNumber_, entry, groups());
    const QString message = AddressBook::messageFor(r.outcome, !add);
    switch (r.outcome) {
    case AddressBook::SaveOutcome::FirstNameBlank: refuse(AddressField::FirstName, message); return false;
    case AddressBook::SaveOutcome::NumberBlank:
    case AddressBook::SaveOutcome::DuplicateNumber: refuse(AddressField::PhoneNo, message); return false;
    case AddressBook::SaveOutcome::Failed: prompt_.databaseError(message); return false;
    case AddressBook::SaveOutcome::Saved: break;
    }
    if (r.waitingKept > 0)
        prompt_.warning(AddressBook::waitingKeptText(loadedNumber_, r.saved.number()));
    SavedAddress s;
    s.added = add;
    s.oldNumber = add ? QString() : loadedNumber_;
    s.number = r.saved.number();
    s.name = r.saved.displayName();
    s.groups = r.groups;
    loadedNumber_ = s.number;
    emit saved(s);
    accept();
    return true;
}
