#pragma once
// The Options dialog: the modem's serial port, speed and handshake, the
// home area code, how long received and sent messages are kept, and the
// audible alert. Saving asks for a new modem start only when one of the
// three serial settings was picked anew.
#include <QDialog>

struct EngineState;
class UserPrompt;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class SettingDialog : public QDialog {
    Q_OBJECT
public:
    SettingDialog(EngineState& state, UserPrompt& prompt, QWidget* parent = nullptr);

    // cmdSave: saves in the fixed order and closes; cmdCancel closes.
    void save();

    // A serial setting was picked since the dialog opened.
    bool modemSettingsChanged() const { return changed_; }

    QComboBox* cboSettingCOMPort = nullptr;
    QComboBox* cboSettingBaudRate = nullptr;
    QComboBox* cboSettingHandshake = nullptr;
    QLineEdit* txtAreaCode = nullptr;
    QLineEdit* txtInbox = nullptr;
    QLineEdit* txtSentItems = nullptr;
    QCheckBox* chkAudible = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    // The port list: the serial ports the system reports, and the stored
    // port (which may be one it does not list, such as a pseudo-terminal).
    void fillPorts(const QString& stored);

    EngineState& st_;
    UserPrompt& prompt_;
    bool changed_ = false;
};
