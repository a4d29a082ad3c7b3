#pragma once
// Hiding the program into the notification area and bringing it back.
//
// Minimising hides the open windows (the main window first among them) and
// shows an icon in the tray, whose tip is the main window's caption. A
// double click on the icon, or "Restore" of its menu, asks for the windows
// back; the composition decides whether a password must be given first and
// then calls restore(). Without a notification area the main window is
// minimised the ordinary way instead, so the program is never out of reach.
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

// The tray icon as the controller uses it; the program uses the system's,
// tests a fake one.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // There is a notification area to put the icon in.
    virtual bool isAvailable() const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    virtual void setToolTip(const QString& tip) = 0;
    virtual QString toolTip() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;

signals:
    // A left double click, or "Restore" chosen from the icon's menu (for
    // trays that pass on no double click).
    void restoreClicked();
};

// QSystemTrayIcon with a menu of one entry, "&Restore".
class SystemTrayIcon : public TrayIcon {
    Q_OBJECT
public:
    explicit SystemTrayIcon(QObject* parent = nullptr);
    ~SystemTrayIcon() override;
    bool isAvailable() const override;
    void show() override;
    void hide() override;
    bool isVisible() const override;
    void setToolTip(const QString& tip) override;
    QString toolTip() const override;
    void setIcon(const QIcon& icon) override;
    QMenu* menu() const { return menu_.get(); }

private:
    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon* tray_;
};

class TrayController : public QObject {
    Q_OBJECT
public:
    // The longest tip the notification area shows.
    static constexpr int kMaxTipLength = 63;

    // The controller takes the icon (a SystemTrayIcon when none is given).
    explicit TrayController(QWidget* mainWindow, TrayIcon* icon = nullptr, QObject* parent = nullptr);

    // Hides into the tray: true when the windows were hidden, false when the
    // main window was minimised instead (no notification area, or the icon
    // did not appear).
    bool minimise();
    // Shows the windows that minimise() hid, each brought to the front, and
    // takes the icon away. Nothing happens while not hidden.
    void restore();

    bool isHidden() const { return hidden_; }
    TrayIcon* icon() const { return icon_; }
    // The windows hidden by the last minimise(), the main window first.
    QList<QWidget*> hiddenWindows() const;

    // The status light: the tray icon shows the same picture as the window.
    void setIcon(const QIcon& icon);

signals:
    // The user asked for the windows back (the icon's double click or menu).
    void restoreRequested();

private:
    QPointer<QWidget> main_;
    TrayIcon* icon_;
    QList<QPointer<QWidget>> hiddenWindows_;
    bool hidden_ = false;
};
