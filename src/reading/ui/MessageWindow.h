#pragma once
// The message window frmMessage: the message selected in the main window's
// list in a window of its own, with the sender's or addressee's name and
// number, a button to that person's address entry and, for a ringtone, a
// Play button. It shows what the preview pane shows at the moment it opens.
#include <QDialog>
#include <functional>

#include "mainwindow/FolderViews.h"
#include "reading/MessagePane.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// What the window is built from: the list row's columns, the pane's
// content and the view the row belongs to.
struct MessageWindowData {
    ViewKind view = ViewKind::Inbox;
    QString date;    // the list's date column
    QString name;    // the list's name column
    QString number;  // the list's number column
    PaneContent pane;
};

class MessageWindow : public QDialog {
    Q_OBJECT
public:
    // The window has room to show a logo or picture enlarged.
    static constexpr int kPictureZoom = 2;

    explicit MessageWindow(const MessageWindowData& data, QWidget* parent = nullptr);

    // The address forms write the saved name and number back.
    void setNameAndNumber(const QString& name, const QString& number);
    QString number() const;

    // "Sender Detail" / "Addressee Detail": opens the address entry of the
    // number shown.
    std::function<void(const QString& number)> openAddress;
    // Play: plays the ringtone content.
    std::function<void(const QString& content)> playRingtone;

    QLabel* lblDate = nullptr;
    QLabel* lblName = nullptr;
    QLineEdit* txtDate = nullptr;
    QLineEdit* txtName = nullptr;
    QLineEdit* txtPhone = nullptr;
    QLabel* lblType = nullptr;
    QLabel* picImage = nullptr;
    QPlainTextEdit* txtMessage = nullptr;
    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdDetail = nullptr;
    QPushButton* cmdExit = nullptr;

private:
    PaneContent pane_;
};
