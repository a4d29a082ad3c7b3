#pragma once
// The setting dialogs of the remote services: the number allowed to
// retrieve (frmSettingRetrieving), the auto-response (frmSettingAutoRespond),
// and the two group dialogs, remote sending (frmSettingGrpSnd) and
// auto-forward (frmSettingForward). OK saves the settings and the engine's
// copy, so the next activity cycle uses them; Cancel changes nothing.
#include <QDialog>

class Database;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class UserPrompt;
struct EngineState;

class SettingRetrievingDialog : public QDialog {
    Q_OBJECT
public:
    SettingRetrievingDialog(EngineState& state, UserPrompt& prompt, QWidget* parent = nullptr);
    void save();

    QLineEdit* txtSettingRemotePN = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    EngineState& st_;
    UserPrompt& prompt_;
};

class SettingAutoRespondDialog : public QDialog {
    Q_OBJECT
public:
    SettingAutoRespondDialog(Database& db, EngineState& state, UserPrompt& prompt, QWidget* parent = nullptr);
    void save();

    QCheckBox* chkSettingAutRsp = nullptr;
    QPlainTextEdit* txtSettingAutRspTxt = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    // The box keeps a text that one message can carry: characters of the
    // GSM alphabet, at most 160 septets. Anything else typed or pasted is
    // taken back.
    void keepSendableText();

    Database& db_;
    EngineState& st_;
    UserPrompt& prompt_;
    QString lastGood_;
    bool restoring_ = false;
};

class SettingGroupDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { GroupSend, Forward };
    SettingGroupDialog(Kind kind, Database& db, EngineState& state, UserPrompt& prompt, QWidget* parent = nullptr);
    void save();
    Kind kind() const { return kind_; }

    QComboBox* cboGroup = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

private:
    Kind kind_;
    EngineState& st_;
    UserPrompt& prompt_;
};
