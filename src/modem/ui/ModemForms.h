#pragma once
// The modal progress forms of the modem start-up (port scan,
// initialisation, reset, SIM set-up) and the SIM code dialog. The activity
// cycle opens them with exec() from inside its tick; each starts its work
// from a single-shot timer once shown and closes itself when the work ends.
#include <QDialog>
#include <functional>
#include <memory>

#include "modem/ModemLinkPort.h"
#include "modem/ModemStart.h"

class ActivityScheduler;
class AtChannel;
class ModemLink;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class UserPrompt;

// A small modal form with a text, a progress bar and Cancel. Cancel (also
// Esc and the window's close button) calls the cancel function and lets the
// work end by itself; the form closes when the work returns.
class ModemProgressDialog : public QDialog {
    Q_OBJECT
public:
    ModemProgressDialog(QWidget* parent, const QString& objectName, const QString& caption,
                        const QString& text);

    // Shows the form modally, runs work delayMs after it is shown, and
    // returns once the work has returned or Cancel was pressed before the
    // work began.
    int runModal(int delayMs, std::function<void()> work, std::function<void()> cancel);

    QLabel* textLabel() const { return lblStatus_; }
    QProgressBar* progressBar() const { return prgProgress_; }
    QPushButton* cancelButton() const { return cmdCancel_; }
    bool isWorking() const { return working_; }

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void startWork();

    QLabel* lblStatus_;
    QProgressBar* prgProgress_;
    QPushButton* cmdCancel_;
    std::function<void()> work_;
    std::function<void()> cancel_;
    int delayMs_ = 0;
    bool started_ = false;
    bool working_ = false;
    bool finished_ = false;
};

// The SIM code dialog: caption "SIM Locked", "Enter PIN" or "Enter PUK",
// digits only. For the PUK it also asks for the new PIN.
class PinDialog : public QDialog {
    Q_OBJECT
public:
    PinDialog(const QString& kind, UserPrompt& prompt, QWidget* parent = nullptr);
    // The code typed; empty after Cancel.
    PinEntry entry() const { return entry_; }

    QLineEdit* pinEdit() const { return txtPin_; }
    QLineEdit* newPinEdit() const { return txtNewPin_; }
    QPushButton* okButton() const { return cmdOK_; }
    QPushButton* cancelButton() const { return cmdCancel_; }

public slots:
    void accept() override;

private:
    QString kind_;
    UserPrompt& prompt_;
    QLineEdit* txtPin_;
    QLineEdit* txtNewPin_ = nullptr;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
    PinEntry entry_;
};

// Asks through PinDialog, over the given parent.
class DialogPinAsker : public PinAsker {
public:
    DialogPinAsker(QWidget* parent, UserPrompt& prompt) : parent_(parent), prompt_(prompt) {}
    std::optional<PinEntry> askPin(const QString& kind) override;

private:
    QWidget* parent_;
    UserPrompt& prompt_;
};

struct ModemFormOptions {
    ModemStartTiming timing;
    // The ports a scan tries; candidateModemPorts() when empty.
    std::function<QStringList()> ports;
    // Where SIM codes are asked; the PIN dialog when empty.
    std::function<std::optional<PinEntry>(const QString& kind)> askPin;
};

// Each runs one form modally over parent and returns when it has closed.
void runDetectModemForm(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt, QWidget* parent,
                        const ModemFormOptions& options = {});
void runInitialiseModemForm(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt,
                            QWidget* parent, const ModemFormOptions& options = {});
void runResetModemForm(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt, QWidget* parent,
                       const ModemFormOptions& options = {});
// status receives the main window's status bar text.
void runDetectSimForm(EngineState& state, AtChannel& channel, ModemPort& port, UserPrompt& prompt, QWidget* parent,
                      const ModemFormOptions& options = {},
                      const std::function<void(const QString&)>& status = {});

// Sets the scheduler's four start-up steps to open the forms over parent,
// and its quiet reconnection step.
// The channel and the port must outlive the scheduler's use of the steps.
void installModemForms(ActivityScheduler& scheduler, AtChannel& channel,
                       std::shared_ptr<ModemPort> port, QWidget* parent,
                       const ModemFormOptions& options = {});
// The same over the program's modem link.
void installModemForms(ActivityScheduler& scheduler, ModemLink& link, QWidget* parent,
                       const ModemFormOptions& options = {});
