#pragma once
// The main window: folder tree, message lists, preview pane, menus,
// toolbars and status bar. The engine reaches it through signals.
#include <QMainWindow>

class AppController;
class QAction;
class QLabel;
class QProgressBar;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppController& app, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Builds the folder tree and fills the Inbox list (the load's step 9).
    void populate();

    QProgressBar* signalBar() const { return prgSignal_; }
    QLabel* statusLabel() const { return lblStatus_; }
    QLabel* messageIdLabel() const { return lblMessageId_; }
    QAction* activateAction() const { return mnuActivate_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildStatusBar();
    void setOutboxCaption(bool paused);

    AppController& app_;
    QProgressBar* prgSignal_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QLabel* lblMessageId_ = nullptr;
    QAction* mnuActivate_ = nullptr;
};
