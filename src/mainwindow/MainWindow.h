#pragma once
// The main window: folder tree, message lists, preview pane, menus,
// toolbars and status bar. The engine reaches it through signals.
#include <QDateTime>
#include <QImage>
#include <QMainWindow>
#include <QUrl>
#include <array>
#include <functional>
#include <map>
#include <vector>

#include "folders/FolderNodes.h"
#include "mainwindow/FolderViews.h"
#include "mainwindow/IconStore.h"
#include "mainwindow/MessageListView.h"
#include "folders/RenameService.h"
#include "reading/MessagePane.h"

class AppCommands;
class UserPrompt;
class Database;
class FolderTree;
class MessageListModel;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class Resizer;
class QStackedWidget;
class QToolBar;
class QTreeView;
class QTreeWidgetItem;
struct EngineState;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The page the logo opens.
    static constexpr const char* kHomePageUrl = "https://velquarin.example/";
    // First sizes of the tree's width and the message list's height.
    static constexpr int kTreeWidthTwips = 2700;
    static constexpr int kMessageListHeightTwips = 6000;

    explicit MainWindow(AppCommands& app, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Builds the folder tree and fills the Inbox list (the load's step 9).
    void populate();

    QProgressBar* signalBar() const { return prgSignal_; }
    QLabel* statusLabel() const { return lblStatus_; }
    QLabel* messageIdLabel() const { return lblMessageId_; }
    QAction* activateAction() const { return mnuActivate_; }

    // --- Folder tree --------------------------------------------------------
    FolderTree* folderTree() const { return trvMain_; }
    // Rebuilds the tree, selects the node (kind, key) -- the Inbox when it is
    // gone -- and shows its view.
    void populateFolderTree(NodeKind kind = NodeKind::Inbox, const QString& key = QStringLiteral("Inbox"));
    // Shows the view of the current node; the root shows nothing.
    void nodeClick();
    // The shortcut buttons: select a fixed node, show it, focus the tree.
    void jumpToNode(NodeKind kind);
    // Starts the in-place rename of a group or user folder (the rename menus).
    bool startRename(QTreeWidgetItem* item);

    // --- Views and lists ----------------------------------------------------
    void populateInbox(const QString& folderKey);
    void populateOutbox();
    void populateSentItems(const QString& folderKey);
    // The preview pane: one message of the shown list, by code.
    void showMessage(qint64 code);
    void clearMessageView();
    // What the preview pane shows (found is false while it is empty).
    const PaneContent& shownPane() const { return pane_; }
    // How many screen pixels the pane's picture box gives one bitmap pixel:
    // the box is 14 or 28 pixels high, as the pane is laid out.
    static constexpr int kPictureZoom = 1;
    // A logo's or picture's bitmap as a picture box shows it: ink black on
    // white, zoom screen pixels per bitmap pixel.
    static QImage pictureImage(const sms::MonoBitmap& bitmap, int zoom = kPictureZoom);
    // Recomputes the unread count from the database and sets the Inbox node's
    // weight from it.
    void refreshUnreadCount();
    // The Inbox node bold while the unread count is 1 or more; its font is
    // written only when the weight changes.
    void applyInboxWeight();

    bool hasView() const { return hasView_; }
    ViewKind currentView() const { return view_; }
    QString nodeKey() const { return sNodeKey_; }
    QString selectedNode() const { return sSelectedNode_; }
    void setSelectedNode(const QString& s) { sSelectedNode_ = s; }
    bool sortDescending() const { return bSortDescending_; }
    QString heading() const;
    // Sets the heading again from the selected node and the shown list.
    void refreshHeading() { updateHeading(); }
    // The sort of a column click (the Outbox keeps its send-time order).
    void columnClick(int column);

    MessageListModel* messageModel() const { return model_; }
    QTreeView* messageList() const { return lsvMessage_; }
    QTreeView* addressList() const { return lsvAddress_; }
    QTreeView* simList() const { return lsvSIM_; }
    QStackedWidget* listStack() const { return stack_; }
    QToolBar* toolbar(ToolbarId id) const { return toolbars_[size_t(id)]; }
    QWidget* shortcutButton(IconStore::Shortcut which) const { return shortcuts_[size_t(which)]; }
    QWidget* logoLabel() const { return logo_; }
    Resizer* mainSplitter() const { return rszMain_; }
    Resizer* messageSplitter() const { return rszMessage_; }
    QPlainTextEdit* messageText() const { return txtMessage_; }
    QLabel* messageTypeLabel() const { return lblType_; }
    QLabel* messageDateLabel() const { return lblDate_; }
    QLabel* messageNumberLabel() const { return lblNumber_; }
    QLabel* pictureBox() const { return picImage_; }
    QPushButton* playButton() const { return cmdPlay_; }

    // The column-width rules of the list pane (pixels).
    static int addressFirstColumnWidth(int listWidth, int numberColumn = 0);
    static int messageNameColumnWidth(int listWidth, int otherColumns);

    // --- Toolbar dispatch ---------------------------------------------------
    // The action behind a toolbar key; keys compare exactly. Unknown keys
    // are refused.
    bool setToolbarAction(ToolbarId toolbar, const QString& key, std::function<void()> action);
    // Runs the action of a key; false (and nothing runs) for an unknown key.
    bool dispatchToolbar(ToolbarId toolbar, const QString& key);

    // --- Menu commands ------------------------------------------------------
    // The entries of the menu bar whose commands the parts that own them
    // install, by object name ("mnuHelpAbout", "mnuSystemLog", ...). An entry
    // is disabled until its command is set; unknown names are refused.
    QAction* menuAction(const QString& objectName) const;
    bool setMenuAction(const QString& objectName, std::function<void()> action);
    // Runs the command of an entry; false for an unknown name.
    bool dispatchMenu(const QString& objectName);

    // Fills the address list for a group ("" for the whole book); set by the
    // address book. Without it the list is left as it is.
    std::function<void(const QString& group)> populateAddressHook;

    // The folder tree's pop-up menu: every hook adds its entries for the
    // node right-clicked (or none); an empty menu is not shown.
    using NodeMenuHook = std::function<void(QMenu& menu, QTreeWidgetItem* node)>;
    void addNodeMenuHook(NodeMenuHook hook) { nodeMenuHooks_.push_back(std::move(hook)); }
    void fillNodeMenu(QMenu& menu, QTreeWidgetItem* node) const;

    // Plays ringtone content in the player over a parent window; set by the
    // ringtone player's wiring (the message window's Play button uses it).
    std::function<void(const QString& content, QWidget* parent)> playRingtoneHook;

public slots:
    // The engine's changes to the lists that may be on screen.
    void outboxRowAdded(qint64 code, const QDateTime& sendTime, const QString& name, const QString& number,
                        int type);
    void outboxRowSending(qint64 code);
    // The row was not sent after all and waits again.
    void outboxRowWaiting(qint64 code);
    void outboxRowLogged(qint64 oldCode, qint64 newCode, const QString& status);
    void messageStored(qint64 code, const QDateTime& when, const QString& name, const QString& number, int type);
    void markedRead(qint64 code);
    // The Outbox menu's caption and the status light follow the pause.
    void setOutboxCaption(bool paused);

signals:
    // The Outbox menu now shows the paused (true) or active state.
    void outboxPauseShown(bool paused);
    // The message list asks to open its current row in the message window.
    void openMessageRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    QAction* addMenuEntry(QMenu* menu, const QString& caption, const QString& objectName);
    void buildStatusBar();
    void buildToolbars(QWidget* strip);
    QWidget* buildShortcutStrip();
    QWidget* buildListPane();
    QWidget* buildPreviewPane();

    void showFolderView(QTreeWidgetItem* node);
    void showAddressView(QTreeWidgetItem* node);
    void showInboxView(QTreeWidgetItem* node);
    void showSentItemsView(QTreeWidgetItem* node);
    // The Inbox or a Sent Items folder: the list filled from its key.
    void showMessageFolder(QTreeWidgetItem* node, ViewKind kind);
    void applyView(ViewKind view);
    void updateHeading();
    void fillMessages(const MessageFill& fill, const QString& errorTitle);
    void fitListColumns();
    void clearAddressList();
    bool isShowing(ViewKind view) const { return hasView_ && view_ == view; }
    RenameService::Result renameNode(QTreeWidgetItem* item, const QString& typed);

    AppCommands& app_;
    Database& db_;
    EngineState& st_;
    UserPrompt& prompt_;

    QProgressBar* prgSignal_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QLabel* lblMessageId_ = nullptr;
    QAction* mnuActivate_ = nullptr;

    std::map<QString, std::function<void()>> menuActions_;
    std::array<QToolBar*, 6> toolbars_{};
    std::array<std::map<QString, std::function<void()>>, 6> toolbarActions_;
    std::vector<NodeMenuHook> nodeMenuHooks_;
    std::array<QWidget*, 4> shortcuts_{};
    QWidget* logo_ = nullptr;
    Resizer* rszMain_ = nullptr;
    Resizer* rszMessage_ = nullptr;
    FolderTree* trvMain_ = nullptr;
    QWidget* picList_ = nullptr;
    QLabel* lblHeading_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QTreeView* lsvSIM_ = nullptr;
    QTreeView* lsvAddress_ = nullptr;
    MessageListView* lsvMessage_ = nullptr;
    MessageListModel* model_ = nullptr;

    QFrame* picMessage_ = nullptr;
    QFrame* shpMsgHeader_ = nullptr;
    QLabel* lblType_ = nullptr;
    QLabel* lblDate_ = nullptr;
    QLabel* lblNumber_ = nullptr;
    QPushButton* cmdPlay_ = nullptr;
    QLabel* picImage_ = nullptr;
    QPlainTextEdit* txtMessage_ = nullptr;

    PaneContent pane_;
    bool hasView_ = false;
    ViewKind view_ = ViewKind::Inbox;
    QString sNodeKey_;
    QString sSelectedNode_;
    bool bSortDescending_ = false;
    bool shownOnce_ = false;
};
