#include "sim/ui/SimForms.h"

#include "base/Database.h"
#include "base/UserPrompt.h"
#include "base/EngineState.h"
#include "modem/ui/ModemForms.h"
#include "sim/SimAddressBook.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

SimPhonebook::Outcome runTransfer(SimPhonebook& phonebook, QWidget* parent, const char* objectName,
                                  const QString& caption, const QString& text,
                                  const std::function<SimPhonebook::Outcome(const SimPhonebook::Feedback&)>& work)
{
    ModemProgressDialog dialog(parent, QLatin1String(objectName), caption, text);
    dialog.progressBar()->setRange(0, 1);
    dialog.progressBar()->setValue(0);
    SimPhonebook::Feedback feedback;
    feedback.status = [&dialog](const QString& t) { dialog.textLabel()->setText(t); };
    feedback.progress = [&dialog](int value, int maximum) {
        dialog.progressBar()->setRange(0, qMax(1, maximum));
        dialog.progressBar()->setValue(value);
    };
    // A Cancel before the transfer began leaves it unstarted.
    SimPhonebook::Outcome outcome{SimPhonebook::Outcome::Kind::Cancelled, {}};
    dialog.runModal(0, [&] { outcome = work(feedback); }, [&] { phonebook.cancel(); });
    phonebook.state().bCancelled = false;
    return outcome;
}

} // namespace

SimPhonebook::Outcome runSimReadForm(SimPhonebook& phonebook, QWidget* parent)
{
    SimPhonebook::Outcome o =
        runTransfer(phonebook, parent, "frmSIMRead", QStringLiteral("Read SIM Card"),
                    QStringLiteral("Reading SIM Card..."), [&](const auto& f) { return phonebook.read(f); });
    if (!o.done())
        phonebook.invalidate();
    return o;
}

SimPhonebook::Outcome runSimClearForm(SimPhonebook& phonebook, QWidget* parent)
{
    SimPhonebook::Outcome o =
        runTransfer(phonebook, parent, "frmSIMClear", QStringLiteral("Clear SIM Card"),
                    QStringLiteral("Checking SIM Card..."), [&](const auto& f) { return phonebook.clear(f); });
    if (!o.done()) {
        phonebook.invalidate();
        if (o.kind == SimPhonebook::Outcome::Kind::Cancelled && o.message.isEmpty())
            o.message = QStringLiteral("Clearing not complete.");
    }
    return o;
}

SimPhonebook::Outcome runSimWriteForm(SimPhonebook& phonebook, const QList<SimEntry>& entries, QWidget* parent)
{
    SimPhonebook::Outcome o = runTransfer(phonebook, parent, "frmSIMWrite", QStringLiteral("Export to SIM Card"),
                                          QStringLiteral("Checking SIM..."),
                                          [&](const auto& f) { return phonebook.write(entries, f); });
    if (o.kind == SimPhonebook::Outcome::Kind::Cancelled && o.message.isEmpty())
        o.message = QStringLiteral("Writing Not Complete.");
    return o;
}

// ---------------------------------------------------------------------------

SimEntryDialog::SimEntryDialog(Mode mode, EngineState& state, UserPrompt& prompt, const SimEntry& entry,
                               QWidget* parent)
    : QDialog(parent), mode_(mode), st_(state), prompt_(prompt), index_(entry.index)
{
    setObjectName(mode == Mode::Edit ? QStringLiteral("frmSIMEdit") : QStringLiteral("frmSIMAdd"));
    setWindowTitle(mode == Mode::Edit ? QStringLiteral("Edit SIM Card Entry") : QStringLiteral("New SIM Card Entry"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    txtName_ = new QLineEdit(entry.name, this);
    txtName_->setObjectName(QStringLiteral("txtName"));
    txtNumber_ = new QLineEdit(entry.number, this);
    txtNumber_->setObjectName(QStringLiteral("txtNumber"));
    // Only what the SIM stores: an optional '+' and then digits, '*', '#'.
    txtNumber_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\+?[0-9*#]*")), txtNumber_));
    // Before the SIM was read its limits are 0, which means no limit.
    if (st_.iSIMMaxNameLen > 0)
        txtName_->setMaxLength(st_.iSIMMaxNameLen);
    if (st_.iSIMMaxNumberLen > 0)
        txtNumber_->setMaxLength(st_.iSIMMaxNumberLen + (entry.number.startsWith(QLatin1Char('+')) ? 1 : 0));
    connect(txtNumber_, &QLineEdit::textEdited, this, [this](const QString& text) {
        // The '+' does not count against the SIM's number length.
        if (st_.iSIMMaxNumberLen > 0)
            txtNumber_->setMaxLength(st_.iSIMMaxNumberLen + (text.startsWith(QLatin1Char('+')) ? 1 : 0));
    });

    auto* form = new QFormLayout;
    auto* lblName = new QLabel(QStringLiteral("&Name:"), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setBuddy(txtName_);
    auto* lblNumber = new QLabel(QStringLiteral("N&umber:"), this);
    lblNumber->setObjectName(QStringLiteral("lblNumber"));
    lblNumber->setBuddy(txtNumber_);
    txtName_->setAccessibleName(QStringLiteral("Name"));
    txtNumber_->setAccessibleName(QStringLiteral("Number"));
    form->addRow(lblName, txtName_);
    form->addRow(lblNumber, txtNumber_);

    auto* box = new QDialogButtonBox(this);
    cmdSave_ = box->addButton(QStringLiteral("&Save"), QDialogButtonBox::AcceptRole);
    cmdSave_->setObjectName(QStringLiteral("cmdSave"));
    cmdSave_->setDefault(true);
    cmdCancel_ = box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &SimEntryDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &SimEntryDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    txtName_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20);
    setTabOrder(txtName_, txtNumber_);
    setTabOrder(txtNumber_, cmdSave_);
    setTabOrder(cmdSave_, cmdCancel_);
    txtName_->setFocus();
}

void SimEntryDialog::accept()
{
    const QString title = QStringLiteral("Warning:");
    const QString name = simtext::safeName(txtName_->text(), st_.iSIMMaxNameLen);
    if (name.trimmed().isEmpty()) {
        prompt_.show(UserPrompt::Icon::Warning, title, QStringLiteral("Name cannot be blank."), UserPrompt::Buttons::Ok);
        txtName_->setFocus();
        return;
    }
    const QString number = txtNumber_->text().trimmed();
    if (!simtext::isValidNumber(number, 0)) {
        // The box takes nothing else, so what fails here is an empty number
        // or a '+' alone.
        prompt_.show(UserPrompt::Icon::Warning, title, QStringLiteral("Number cannot be blank."),
                     UserPrompt::Buttons::Ok);
        txtNumber_->setFocus();
        return;
    }
    // The entry travels in one set of request globals: a second one posted
    // before the cycle wrote the first would overwrite it.
    if (st_.bSIMEditRequest || st_.bSIMAddRequest) {
        prompt_.warning(QStringLiteral("The previous SIM Card entry is still being written.\r\nPlease try again."));
        return;
    }
    st_.sSIMRecName = name;
    st_.sSIMRecNumber = number;
    if (mode_ == Mode::Edit) {
        st_.iSIMRecIndex = index_;
        st_.bSIMEditRequest = true;
    } else {
        st_.bSIMAddRequest = true;
    }
    QDialog::accept();
}

// ---------------------------------------------------------------------------

SimImportDialog::SimImportDialog(Database& db, UserPrompt& prompt, const QList<SimEntry>& entries, QWidget* parent)
    : QDialog(parent), db_(db), prompt_(prompt), entries_(entries)
{
    setObjectName(QStringLiteral("frmSIMImport"));
    setWindowTitle(QStringLiteral("Import to Address Book"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    cboGroup_ = new QComboBox(this);
    cboGroup_->setObjectName(QStringLiteral("cboGroup"));
    cboGroup_->setAccessibleName(QStringLiteral("Group"));
    cboGroup_->addItem(noGroupCaption());
    QStringList groups;
    QString error;
    if (simaddress::groupNames(db_, &groups, &error))
        cboGroup_->addItems(groups);
    else
        prompt_.databaseError(error);
    cboGroup_->setCurrentIndex(0);
    cboGroup_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 16);
    auto* lblGroup = new QLabel(QStringLiteral("Also add to &group:"), this);
    lblGroup->setObjectName(QStringLiteral("lblGroup"));
    lblGroup->setBuddy(cboGroup_);
    auto* form = new QFormLayout;
    form->addRow(lblGroup, cboGroup_);

    auto* box = new QDialogButtonBox(this);
    cmdImport_ = box->addButton(QStringLiteral("&Import"), QDialogButtonBox::AcceptRole);
    cmdImport_->setObjectName(QStringLiteral("cmdImport"));
    cmdImport_->setDefault(true);
    cmdCancel_ = box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &SimImportDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &SimImportDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    cboGroup_->setFocus();
}

void SimImportDialog::accept()
{
    const QString group = cboGroup_->currentIndex() > 0 ? cboGroup_->currentText() : QString();
    if (!simaddress::importEntries(db_, entries_, group)) {
        prompt_.databaseError(QStringLiteral("Unable to import to address book"));
        return;
    }
    QDialog::accept();
    prompt_.note(QStringLiteral("Import completed"));
}
