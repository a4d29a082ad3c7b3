#pragma once
// The send form: composes one message (a text, a canned text, an operator
// logo, a picture message or a ringtone) for typed numbers, a file of
// numbers, or picked addresses and groups, with a send date and time, and
// queues one Outbox row per recipient. It is not modal and stays open
// after Send; the checks and the queueing are SendLogic's.
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "compose/SendLogic.h"
#include "sms/MonoBitmap.h"

class Database;
class QButtonGroup;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTimeEdit;
class UserPrompt;
class WindowServices;
struct EngineState;

namespace compose {
class BitmapView;
}

class SendForm : public QDialog {
    Q_OBJECT
public:
    // sngSendFormMode.
    enum class Mode { New = 1, Reply = 2, Forward = 3 };
    // The files the form asks for.
    enum class FileKind { Numbers, Ringtone, Logo, Picture };
    // One picked address-book entry: its key and the number queued.
    struct PickedAddress {
        QString key;
        QString number;
        bool operator==(const PickedAddress&) const = default;
    };

    // What the form reaches beyond itself. Every hook may be left empty:
    // the button that needs it is then disabled.
    struct Hooks {
        // The address and group pickers (modal). They start from the
        // current picks, replace them on OK and return true; on Cancel they
        // leave them and return false.
        std::function<bool(QWidget* parent, QList<PickedAddress>& picks)> pickAddresses;
        std::function<bool(QWidget* parent, QStringList& groups)> pickGroups;
        // The operator list (modal); the choice is left in sOpCode.
        std::function<void(QWidget* parent)> pickOperator;
        // Opens the bitmap editor on the form's logo (3) or picture (4); the
        // editor hands its result back with setLogoBitmap/setPictureBitmap.
        std::function<void(SendForm* form, int picType)> editBitmap;
        // Shows the ringtone player for stored ringtone content.
        std::function<void(QWidget* parent, const QString& content)> playRingtone;
        // Puts a merge-field code into the text box at its caret (modal).
        std::function<void(QWidget* parent, QPlainTextEdit* target)> insertField;
        // Serves the canned list and its New, Edit and Delete buttons;
        // called once when the form is built.
        std::function<void(SendForm& form)> installCanned;
    };

    // The files are asked for through windows.
    SendForm(Database& db, UserPrompt& prompt, WindowServices& windows, EngineState& state,
             compose::SendLogic::Enqueue enqueue, Hooks hooks, QWidget* parent = nullptr);
    ~SendForm() override;

    // The load: empty picks, no bitmaps, no ringtone, then the mode's
    // kind and recipients. number: the sender replied to; content and type:
    // the message forwarded.
    void load(Mode mode, const QString& number = QString(), const QString& content = QString(), int type = 1);
    Mode mode() const { return mode_; }

    // --- State ---------------------------------------------------------------
    int messageKind() const { return sngMsgType_; }
    QString messageContent() const { return sMsgContent_; }
    compose::RecipientMode recipientMode() const;
    bool logoLoaded() const { return bLogoLoaded_; }
    bool pictureLoaded() const { return bPictureLoaded_; }
    sms::MonoBitmap logoBitmap() const;
    sms::MonoBitmap pictureBitmap() const;
    // The editor's OK: the bitmap (cut or padded to 72 x 14 / 72 x 28)
    // becomes the form's and counts as loaded.
    void setLogoBitmap(const sms::MonoBitmap& bitmap);
    void setPictureBitmap(const sms::MonoBitmap& bitmap);
    QString ringtoneHex() const { return sRingToneHex_; }
    const QList<PickedAddress>& pickedAddresses() const { return asRecipients_; }
    const QStringList& pickedGroups() const { return asPickedGroups_; }
    // What activation refreshes: the operator code from sOpCode and the
    // recipient summary.
    void refreshOnActivation();

    // --- Actions ---------------------------------------------------------------
    void chooseKind(int kind, bool canned = false);
    void chooseRecipients(compose::RecipientMode mode);
    // cmdSend.
    compose::SendResult send();
    // The file buttons; each asks for its file through the hook.
    void chooseNumberFile();
    void chooseLogoFile();
    void choosePictureFile();
    void chooseRingtoneFile();
    // Loads a file as the buttons do after the dialog: false (and nothing
    // changes) when it is refused.
    bool loadLogoFile(const QString& path);
    bool loadPictureFile(const QString& path);
    bool loadRingtoneFile(const QString& path);
    void playRingtone();

    // --- Controls --------------------------------------------------------------
    QRadioButton* optText() const { return optText_; }
    QRadioButton* optCannedText() const { return optCannedText_; }
    QRadioButton* optLogo() const { return optLogo_; }
    QRadioButton* optPicture() const { return optPicture_; }
    QRadioButton* optRingTone() const { return optRingTone_; }
    QGroupBox* fraText() const { return fraText_; }
    QGroupBox* fraCannedText() const { return fraCannedText_; }
    QGroupBox* fraLogo() const { return fraLogo_; }
    QGroupBox* fraPicture() const { return fraPicture_; }
    QGroupBox* fraRingTone() const { return fraRingTone_; }
    QPlainTextEdit* txtMessage() const { return txtMessage_; }
    QPushButton* cmdClearText() const { return cmdClearText_; }
    QPushButton* cmdInsertField() const { return cmdInsertField_; }
    QComboBox* cboCannedMessage() const { return cboCannedMessage_; }
    QPushButton* cmdNew() const { return cmdNew_; }
    QPushButton* cmdEdit() const { return cmdEdit_; }
    QPushButton* cmdDelete() const { return cmdDelete_; }
    compose::BitmapView* picLogo() const { return picLogo_; }
    QPushButton* cmdLogo() const { return cmdLogo_; }
    QPushButton* cmdLogoEdit() const { return cmdLogoEdit_; }
    QLineEdit* txtOperatorCode() const { return txtOperatorCode_; }
    QPushButton* cmdOperatorCodes() const { return cmdOperatorCodes_; }
    compose::BitmapView* picPicture() const { return picPicture_; }
    QPushButton* cmdPicture() const { return cmdPicture_; }
    QPushButton* cmdPictureEdit() const { return cmdPictureEdit_; }
    QLineEdit* txtPictureMessage() const { return txtPictureMessage_; }
    QLabel* lblPictureMessage() const { return lblPictureMessage_; }
    QPushButton* cmdRingTone() const { return cmdRingTone_; }
    QLineEdit* txtRingTone() const { return txtRingTone_; }
    QPushButton* cmdPlay() const { return cmdPlay_; }
    QGroupBox* fraTarget() const { return fraTarget_; }
    QRadioButton* optSingle() const { return optSingle_; }
    QRadioButton* optFile() const { return optFile_; }
    QRadioButton* optList() const { return optList_; }
    QWidget* fraNumbers() const { return fraNumbers_; }
    QWidget* fraFile() const { return fraFile_; }
    QWidget* fraAddress() const { return fraAddress_; }
    QLineEdit* txtNumber() const { return txtNumber_; }
    QPushButton* cmdClearNumbers() const { return cmdClearNumbers_; }
    QLineEdit* txtFilePath() const { return txtFilePath_; }
    QPushButton* cmdFile() const { return cmdFile_; }
    QLineEdit* txtList() const { return txtList_; }
    QPushButton* cmdAddresses() const { return cmdAddresses_; }
    QPushButton* cmdGroups() const { return cmdGroups_; }
    QDateEdit* ccrpDate() const { return ccrpDate_; }
    QTimeEdit* ccrpTime() const { return ccrpTime_; }
    QPushButton* cmdSend() const { return cmdSend_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

    // The folders below the data folder the file buttons open.
    static QString folderFor(FileKind kind);

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void setTabOrderOfControls();
    void updateTextCaption();
    void updatePictureCaption();
    void updateHookedButtons();
    void focusField(compose::SendResult::Focus focus);
    QString askForFile(FileKind kind);
    void pickAddresses();
    void pickGroups();
    void pickOperator();
    void insertField();

    Database& db_;
    UserPrompt& prompt_;
    WindowServices& windows_;
    EngineState& st_;
    compose::SendLogic logic_;
    Hooks hooks_;

    Mode mode_ = Mode::New;
    int sngMsgType_ = compose::KindText;
    QString sMsgContent_;
    bool bLogoLoaded_ = false;
    bool bPictureLoaded_ = false;
    QString sRingToneHex_;
    QList<PickedAddress> asRecipients_;
    QStringList asPickedGroups_;

    QButtonGroup* kindGroup_ = nullptr;
    QButtonGroup* targetGroup_ = nullptr;
    QRadioButton* optText_ = nullptr;
    QRadioButton* optCannedText_ = nullptr;
    QRadioButton* optLogo_ = nullptr;
    QRadioButton* optPicture_ = nullptr;
    QRadioButton* optRingTone_ = nullptr;
    QStackedWidget* kindStack_ = nullptr;
    QGroupBox* fraText_ = nullptr;
    QGroupBox* fraCannedText_ = nullptr;
    QGroupBox* fraLogo_ = nullptr;
    QGroupBox* fraPicture_ = nullptr;
    QGroupBox* fraRingTone_ = nullptr;
    QPlainTextEdit* txtMessage_ = nullptr;
    QPushButton* cmdClearText_ = nullptr;
    QPushButton* cmdInsertField_ = nullptr;
    QComboBox* cboCannedMessage_ = nullptr;
    QPushButton* cmdNew_ = nullptr;
    QPushButton* cmdEdit_ = nullptr;
    QPushButton* cmdDelete_ = nullptr;
    compose::BitmapView* picLogo_ = nullptr;
    QPushButton* cmdLogo_ = nullptr;
    QPushButton* cmdLogoEdit_ = nullptr;
    QLineEdit* txtOperatorCode_ = nullptr;
    QPushButton* cmdOperatorCodes_ = nullptr;
    compose::BitmapView* picPicture_ = nullptr;
    QPushButton* cmdPicture_ = nullptr;
    QPushButton* cmdPictureEdit_ = nullptr;
    QLineEdit* txtPictureMessage_ = nullptr;
    QLabel* lblPictureMessage_ = nullptr;
    QPushButton* cmdRingTone_ = nullptr;
    QLineEdit* txtRingTone_ = nullptr;
    QPushButton* cmdPlay_ = nullptr;
    QGroupBox* fraTarget_ = nullptr;
    QRadioButton* optSingle_ = nullptr;
    QRadioButton* optFile_ = nullptr;
    QRadioButton* optList_ = nullptr;
    QStackedWidget* targetStack_ = nullptr;
    QWidget* fraNumbers_ = nullptr;
    QWidget* fraFile_ = nullptr;
    QWidget* fraAddress_ = nullptr;
    QLineEdit* txtNumber_ = nullptr;
    QPushButton* cmdClearNumbers_ = nullptr;
    QLineEdit* txtFilePath_ = nullptr;
    QPushButton* cmdFile_ = nullptr;
    QLineEdit* txtList_ = nullptr;
    QPushButton* cmdAddresses_ = nullptr;
    QPushButton* cmdGroups_ = nullptr;
    QDateEdit* ccrpDate_ = nullptr;
    QTimeEdit* ccrpTime_ = nullptr;
    QPushButton* cmdSend_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};
