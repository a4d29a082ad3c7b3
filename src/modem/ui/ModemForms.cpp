#include "modem/ui/ModemForms.h"

#include "wiring/EngineWiring.h"
#include "engine/ActivityScheduler.h"
#include "base/EngineState.h"
#include "base/UserPrompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

ModemProgressDialog::ModemProgressDialog(QWidget* parent, const QString& objectName,
                                         const QString& caption, const QString& text)
    : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    lblStatus_ = new QLabel(text, this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setMinimumWidth(300);
    prgProgress_ = new QProgressBar(this);
    prgProgress_->setObjectName(QStringLiteral("prgProgress"));
    prgProgress_->setTextVisible(false);
    cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setAutoDefault(false);
    connect(cmdCancel_, &QPushButton::clicked, this, &ModemProgressDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus_);
    layout->addWidget(prgProgress_);
    layout->addLayout(buttons);
    // The form follows its text (a long port path) and cannot be resized.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

int ModemProgressDialog::runModal(int delayMs, std::function<void()> work, std::function<void()> cancel)
{
    work_ = std::move(work);
    cancel_ = std::move(cancel);
    delayMs_ = delayMs;
    started_ = working_ = finished_ = false;
    return exec();
}

void ModemProgressDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(delayMs_, this, &ModemProgressDialog::startWork);
    }
}

void ModemProgressDialog::startWork()
{
    if (finished_)
        return;
    working_ = true;
    if (work_)
        work_();
    working_ = false;
    finished_ = true;
    done(QDialog::Accepted);
}

void ModemProgressDialog::reject()
{
    if (finished_) {
        QDialog::reject();
        return;
    }
    if (cancel_)
        cancel_();
    // While the work runs, it sees the cancel, returns, and the form closes
    // from its own slot; before it began there is nothing to wait for.
    if (!working_) {
        finished_ = true;
        QDialog::reject();
    }
}

// ---------------------------------------------------------------------------

PinDialog::PinDialog(const QString& kind, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), kind_(kind), prompt_(prompt)
{
    setObjectName(QStringLiteral("frmGetPin"));
    setWindowTitle(QStringLiteral("SIM Locked"));
    setModal(true);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    auto* form = new QFormLayout;
    auto* lblPrompt = new QLabel(QStringLiteral("Enter ") + kind, this);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    txtPin_ = new QLineEdit(this);
    txtPin_->setObjectName(QStringLiteral("txtPin"));
    txtPin_->setValidator(digits);
    txtPin_->setEchoMode(QLineEdit::Password);
    lblPrompt->setBuddy(txtPin_);
    form->addRow(lblPrompt, txtPin_);
    if (kind == QLatin1String("PUK")) {
        // The SIM takes the PUK only together with the PIN that replaces the
        // blocked one.
        auto* lblNewPin = new QLabel(QStringLiteral("Enter new PIN"), this);
        lblNewPin->setObjectName(QStringLiteral("lblNewPin"));
        txtNewPin_ = new QLineEdit(this);
        txtNewPin_->setObjectName(QStringLiteral("txtNewPin"));
        txtNewPin_->setValidator(digits);
        txtNewPin_->setEchoMode(QLineEdit::Password);
        lblNewPin->setBuddy(txtNewPin_);
        form->addRow(lblNewPin, txtNewPin_);
    }

    auto* box = new QDialogButtonBox(this);
    cmdOK_ = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdCancel_ = box->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(box, &QDialogButtonBox::accepted, this, &PinDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &PinDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(box);
    txtPin_->setFocus();
}

void PinDialog::accept()
{
    for (QLineEdit* edit : {txtPin_, txtNewPin_}) {
        if (edit && edit->text().isEmpty()) {
            prompt_.warning(QStringLiteral("PIN cannot be blank"));
            edit->setFocus();
            return;
        }
    }
    entry_.code = txtPin_->text();
    entry_.newPin = txtNewPin_ ? txtNewPin_->text() : QString();
    QDialog::accept();
}

std::optional<PinEntry> DialogPinAsker::askPin(const QString& kind)
{
    PinDialog dialog(kind, prompt_, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.entry();
}

// ---------------------------------------------------------------------------

namespace {

class FunctionPinAsker : public PinAsker {
public:
    explicit FunctionPinAsker(std::function<std::optional<PinEntry>(const QString&)> ask)
        : ask_(std::move(ask)) {}
    std::optional<PinEntry> askPin(const QString& kind) override { return ask_(kind); }

private:
    std::function<std::optional<PinEntry>(const QString&)> ask_;
};

} // namespace

void runDetectModemForm(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt, QWidget* parent,
                        const ModemFormOptions& options)
{
    ModemProgressDialog dialog(parent, QStringLiteral("frmDetectModem"), QStringLiteral("Detect Modem"),
                               QStringLiteral("Searching for a modem..."));
    ModemDetector task(state, channel, port, prompt, options.timing);
    task.onPort = [&dialog](int position, int count, const QString& path) {
        dialog.progressBar()->setRange(1, count);
        dialog.progressBar()->setValue(position);
        dialog.textLabel()->setText(QStringLiteral("Trying %1...").arg(path));
    };
    dialog.runModal(
        options.timing.detectStartMs,
        [&] { task.run(options.ports ? options.ports() : candidateModemPorts()); },
        [&] { task.cancel(); });
}

void runInitialiseModemForm(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt,
                            QWidget* parent, const ModemFormOptions& options)
{
    ModemProgressDialog dialog(parent, QStringLiteral("frmInitialiseModem"),
                               QStringLiteral("Initialise Modem"), QStringLiteral("Initialising modem..."));
    dialog.progressBar()->setRange(0, 0);
    ModemInitialiser task(state, channel, port, prompt, options.timing);
    dialog.runModal(options.timing.initStartMs, [&] { task.run(); }, [&] { task.cancel(); });
}

void runResetModemForm(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt, QWidget* parent,
                       const ModemFormOptions& options)
{
    ModemProgressDialog dialog(parent, QStringLiteral("frmReseting"), QStringLiteral("Reset Modem"),
                               QStringLiteral("Resetting modem..."));
    dialog.progressBar()->setRange(0, 0);
    ModemResetter task(state, channel, port, prompt, options.timing);
    dialog.runModal(options.timing.resetStartMs, [&] { task.run(); }, [&] { task.cancel(); });
}

void runDetectSimForm(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt, QWidget* parent,
                      const ModemFormOptions& options, const std::function<void(const QString&)>& status)
{
    ModemProgressDialog dialog(parent, QStringLiteral("frmDetectSIM"), QStringLiteral("Detect SIM Card"),
                               QStringLiteral("Detecting SIM Card..."));
    dialog.progressBar()->setRange(0, 0);
    FunctionPinAsker pins(options.askPin ? options.askPin : [&dialog, &prompt](const QString& kind) {
        return DialogPinAsker(&dialog, prompt).askPin(kind);
    });
    SimSetup task(state, channel, port, prompt, pins, options.timing);
    task.onStatus = status;
    dialog.runModal(options.timing.simStartMs, [&] { task.run(); }, [&] { task.cancel(); });
}

void installModemForms(ActivityScheduler& scheduler, AtChannel& channel, std::shared_ptr<ModemPort> port,
                       QWidget* parent, const ModemFormOptions& options)
{
    EngineState& st = scheduler.state();
    UserPrompt& prompt = scheduler.prompt();
    ActivityScheduler::Steps& steps = scheduler.steps();
    QPointer<QWidget> owner(parent);
    steps.detectModem = [&st, &prompt, &channel, port, owner, options] {
        runDetectModemForm(st, channel, *port, prompt, owner.data(), options);
    };
    steps.resetModem = [&st, &prompt, &channel, port, owner, options] {
        runResetModemForm(st, channel, *port, prompt, owner.data(), options);
    };
    steps.initialiseModem = [&st, &prompt, &channel, port, owner, options] {
        runInitialiseModemForm(st, channel, *port, prompt, owner.data(), options);
    };
    steps.detectSim = [&st, &prompt, &channel, port, owner, options, sched = &scheduler] {
        runDetectSimForm(st, channel, *port, prompt, owner.data(), options,
                         [sched](const QString& text) { emit sched->statusText(text); });
    };
    // No form: a modem that went away by itself comes back without a word.
    installModemReconnect(scheduler, channel, port, options.timing);
}
