#include "mainwindow/MainWindow.h"

#include "controls/PopButton.h"
#include "controls/Resizer.h"
#include "controls/Twips.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/MessageListModel.h"
#include "mainwindow/MessageListView.h"
#include "mainwindow/ToolbarKeys.h"
#include "base/EngineState.h"
#include "mainwindow/SettingsMenu.h"
#include "mainwindow/AppCommands.h"
#include "base/Database.h"
#include "base/UserPrompt.h"
#include "controls/WindowServices.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolBar>
#include <QTimer>
#include <QHash>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

// A toolbar key's picture: one of the program's own, or, for the names
// below, the desktop style's.
QIcon toolIcon(const QString& name)
{
    static const QHash<QString, QStyle::StandardPixmap> fromStyle = {
        {QStringLiteral("trash"), QStyle::SP_TrashIcon},
        {QStringLiteral("save"), QStyle::SP_DialogSaveButton},
        {QStringLiteral("open"), QStyle::SP_DialogOpenButton},
        {QStringLiteral("minimise"), QStyle::SP_TitleBarMinButton},
        {QStringLiteral("edit"), QStyle::SP_FileDialogContentsView},
        {QStringLiteral("refresh"), QStyle::SP_BrowserReload},
        {QStringLiteral("clear"), QStyle::SP_DialogResetButton},
    };
    const auto it = fromStyle.constFind(name);
    return it != fromStyle.constEnd() ? QApplication::style()->standardIcon(*it) : IconStore::icon(name);
}

// A report list's room around a cell's text, and its frame and scroll bar.
int cellPad(const QTreeView* list)
{
    return 2 * list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 12;
}
int listChrome(const QTreeView* list)
{
    return 2 * list->frameWidth() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

// The widest phone number a column is sized for: an international number
// of the full fifteen digits.
const QString kNumberSample = QStringLiteral("+000000000000000");

constexpr int px(int tw) { return twips::toPx(tw); }
} // namespace

namespace {

// A label that reports a click (press and release inside it), or Space or
// Enter while it has the focus, which it shows with a focus frame.
class ClickLabel : public QLabel {
public:
    std::function<void()> onClick;
    using QLabel::QLabel;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick)
            onClick();
        QLabel::mouseReleaseEvent(e);
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        const bool press = e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        if (press && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            e->accept();
            if (!e->isAutoRepeat() && onClick)
                onClick();
            return;
        }
        QLabel::keyPressEvent(e);
    }
    void paintEvent(QPaintEvent* e) override
    {
        QLabel::paintEvent(e);
        if (!hasFocus())
            return;
        QPainter painter(this);
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
    }
};

// The report-list look shared by the three lists: whole rows selected,
// no tree decoration, banded rows of white and pale cyan.
void styleReportList(QTreeView* list)
{
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setItemsExpandable(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setAllColumnsShowFocus(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setIconSize(QSize(16, 16));
    list->setAlternatingRowColors(true);
    QPalette pal = list->palette();
    pal.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xFF));
    pal.setColor(QPalette::AlternateBase, QColor(0xEE, 0xFF, 0xFF));
    list->setPalette(pal);
    list->header()->setStretchLastSection(false);
    list->header()->setSectionsMovable(false);
}

const char* const kShortcutCaptions[] = {"Inbox", "Outbox", "Sent Items", "Address Book"};
const char* const kShortcutNames[] = {"popInbox", "popOutbox", "popSentItems", "popAddress"};

} // namespace

MainWindow::MainWindow(AppCommands& app, QWidget* parent)
    : QMainWindow(parent), app_(app), db_(app.db()), st_(app.state()), prompt_(app.prompt())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Velquarin 1.2"));
    setWindowIcon(IconStore::statusIcon(QStringLiteral("imgOn")));
    setMinimumSize(px(9600), px(7200));
    buildMenus();
    buildStatusBar();

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* picToolbar = new QWidget(central);
    picToolbar->setObjectName(QStringLiteral("picToolbar"));
    buildToolbars(picToolbar);
    outer->addWidget(picToolbar);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    body->addWidget(buildShortcutStrip());

    // The tree leads (left), the list part trails and takes what is left.
    Resizer::Options mainOptions;
    mainOptions.orientation = 1;
    mainOptions.separatorTwips = 50;
    mainOptions.invert = true;
    mainOptions.minTwips = {1600, 1800};
    rszMain_ = new Resizer(mainOptions, central);
    rszMain_->setObjectName(QStringLiteral("rszMain"));
    trvMain_ = new FolderTree;
    trvMain_->setAccessibleName(QStringLiteral("Folders"));
    trvMain_->resize(px(kTreeWidthTwips), trvMain_->height());
    rszMain_->addWidget(buildListPane());
    rszMain_->addWidget(trvMain_);
    body->addWidget(rszMain_, 1);
    outer->addLayout(body, 1);
    setCentralWidget(central);
    resize(px(12000), px(9000));

    trvMain_->renameHandler = [this](QTreeWidgetItem* item, const QString& typed) { return renameNode(item, typed); };
    connect(trvMain_, &FolderTree::nodeActivated, this, [this] { nodeClick(); });
    trvMain_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(trvMain_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* node = trvMain_->itemAt(at);
        if (!node)
            return;
        // The menu acts on the node clicked: it becomes the current node and
        // its view is shown first.
        if (node != trvMain_->currentItem()) {
            trvMain_->selectQuietly(node);
            nodeClick();
        }
        QMenu menu(this);
        fillNodeMenu(menu, node);
        if (!menu.isEmpty())
            menu.exec(trvMain_->viewport()->mapToGlobal(at));
    });
}

void MainWindow::fillNodeMenu(QMenu& menu, QTreeWidgetItem* node) const
{
    for (const NodeMenuHook& hook : nodeMenuHooks_)
        hook(menu, node);
}

MainWindow::~MainWindow() = default;

// ---------------------------------------------------------------- building

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuFileExit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* system = menuBar()->addMenu(QStringLiteral("&System"));
    system->setObjectName(QStringLiteral("mnuSystem"));
    mnuActivate_ = system->addAction(QStringLiteral("&Activate Outbox"));
    mnuActivate_->setObjectName(QStringLiteral("mnuActivate"));
    connect(mnuActivate_, &QAction::triggered, this, [this] { app_.activateOutbox(); });
    system->addSeparator();
    QAction* detect = system->addAction(QStringLiteral("&Detect Modem"));
    detect->setObjectName(QStringLiteral("mnuSystemDetectModem"));
    connect(detect, &QAction::triggered, this, [this] { app_.detectModem(); });
    QAction* reset = system->addAction(QStringLiteral("&Reset Modem"));
    reset->setObjectName(QStringLiteral("mnuSystemResetModem"));
    connect(reset, &QAction::triggered, this, [this] { app_.resetModem(); });

    system->addSeparator();
    QMenu* settings = system->addMenu(QStringLiteral("Se&ttings"));
    settings->setObjectName(QStringLiteral("mnuSystemSetting"));
    for (const SettingsMenu::Entry& e : SettingsMenu::entries()) {
        const QString name = QStringLiteral("mnu") + e.objectName;
        addMenuEntry(settings, e.caption, name);
        if (e.available) {
            const auto open = e.open;
            setMenuAction(name, [this, open] { open(this, db_, st_, prompt_, app_.windows()); });
        }
    }
    QMenu* password = system->addMenu(QStringLiteral("Change &Password"));
    password->setObjectName(QStringLiteral("mnuSettingPassword"));
    addMenuEntry(password, QStringLiteral("Change &User Password"), QStringLiteral("mnuChgPwdUsr"));
    addMenuEntry(password, QStringLiteral("Change &Admin Password"), QStringLiteral("mnuChgPwdAdm"));
    system->addSeparator();
    addMenuEntry(system, QStringLiteral("System &Log"), QStringLiteral("mnuSystemLog"));
    addMenuEntry(system, QStringLiteral("&Minimise to System Tray"), QStringLiteral("mnuMinimise"));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addMenuEntry(help, QStringLiteral("&Content"), QStringLiteral("mnuHelpContent"));
    addMenuEntry(help, QStringLiteral("&User Manual"), QStringLiteral("mnuHelpUserManual"));
    help->addSeparator();
    addMenuEntry(help, QStringLiteral("&About"), QStringLiteral("mnuHelpAbout"));
}

QAction* MainWindow::addMenuEntry(QMenu* menu, const QString& caption, const QString& objectName)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(objectName);
    // Disabled until the part that owns the command installs it.
    a->setEnabled(false);
    menuActions_.emplace(objectName, std::function<void()>());
    connect(a, &QAction::triggered, this, [this, objectName] { dispatchMenu(objectName); });
    return a;
}

QAction* MainWindow::menuAction(const QString& objectName) const
{
    if (menuActions_.find(objectName) == menuActions_.end())
        return nullptr;
    return findChild<QAction*>(objectName);
}

bool MainWindow::setMenuAction(const QString& objectName, std::function<void()> action)
{
    const auto it = menuActions_.find(objectName);
    if (it == menuActions_.end())
        return false;
    it->second = std::move(action);
    if (QAction* a = findChild<QAction*>(objectName))
        a->setEnabled(bool(it->second));
    return true;
}

bool MainWindow::dispatchMenu(const QString& objectName)
{
    const auto it = menuActions_.find(objectName);
    if (it == menuActions_.end())
        return false;
    if (it->second) {
        // A copy: the command may replace itself.
        const std::function<void()> action = it->second;
        action();
    }
    return true;
}

void MainWindow::buildStatusBar()
{
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("stsGeneral"));
    prgSignal_ = new QProgressBar(this);
    prgSignal_->setObjectName(QStringLiteral("prgSignal"));
    prgSignal_->setTextVisible(false);
    prgSignal_->setMaximumWidth(100);
    prgSignal_->setMaximumHeight(14);
    prgSignal_->setMaximum(100);
    prgSignal_->setValue(10);
    prgSignal_->setToolTip(QStringLiteral("Signal level"));
    prgSignal_->setAccessibleName(QStringLiteral("Signal level"));
    lblMessageId_ = new QLabel(this);
    lblMessageId_->setObjectName(QStringLiteral("stsMessageId"));
    lblMessageId_->setMinimumWidth(px(3000));
    statusBar()->addWidget(lblStatus_, 1);
    statusBar()->addPermanentWidget(prgSignal_);
    statusBar()->addPermanentWidget(lblMessageId_);
}

void MainWindow::buildToolbars(QWidget* strip)
{
    auto* v = new QVBoxLayout(strip);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    auto rule = [strip](const char* name) {
        auto* line = new QFrame(strip);
        line->setObjectName(QLatin1String(name));
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        return line;
    };
    v->addWidget(rule("Line1"));
    for (ToolbarId id : allToolbars()) {
        auto* bar = new QToolBar(toolbarName(id), strip);
        bar->setObjectName(toolbarName(id));
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(16, 16));
        bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        bar->setContextMenuPolicy(Qt::PreventContextMenu);
        auto& actions = toolbarActions_[size_t(id)];
        for (const ToolbarButton& b : toolbarButtons(id)) {
            QAction* a = bar->addAction(b.caption);
            a->setObjectName(b.key);
            a->setToolTip(toolbarTooltip(b));
            if (!b.icon.isEmpty())
                a->setIcon(toolIcon(b.icon));
            // The shortcut acts only while its toolbar is shown, so keys
            // that several toolbars share never meet.
            if (!b.listKey)
                a->setShortcut(b.shortcut);
            // Tab reaches every key; Space runs it.
            bar->widgetForAction(a)->setFocusPolicy(Qt::TabFocus);
            // Every key is in the table from the start; the parts that own
            // the actions install them with setToolbarAction.
            actions.emplace(b.key, std::function<void()>());
            connect(a, &QAction::triggered, this, [this, id, key = b.key] { dispatchToolbar(id, key); });
        }
        bar->setVisible(id == ToolbarId::Inbox);
        toolbars_[size_t(id)] = bar;
        v->addWidget(bar);
    }
    v->addWidget(rule("Line2"));
}

QWidget* MainWindow::buildShortcutStrip()
{
    auto* strip = new QFrame;
    strip->setObjectName(QStringLiteral("picLogo"));
    strip->setFixedWidth(px(1500));
    strip->setAutoFillBackground(true);
    QPalette pal = strip->palette();
    pal.setColor(QPalette::Window, QColor(0x3b, 0x55, 0x72));
    pal.setColor(QPalette::WindowText, Qt::white);
    strip->setPalette(pal);

    auto* v = new QVBoxLayout(strip);
    v->setContentsMargins(px(90), px(150), px(90), px(150));
    v->setSpacing(px(45));

    auto* logo = new ClickLabel(strip);
    logo->setObjectName(QStringLiteral("Image1"));
    logo->setPixmap(IconStore::logo());
    logo->setAlignment(Qt::AlignCenter);
    logo->setCursor(Qt::PointingHandCursor);
    logo->setToolTip(QStringLiteral("Velquarin on the web"));
    logo->setAccessibleName(QStringLiteral("Velquarin on the web"));
    logo->setFocusPolicy(Qt::TabFocus);
    logo->onClick = [this] { app_.windows().openUrl(QUrl(QString::fromLatin1(kHomePageUrl))); };
    logo_ = logo;
    v->addWidget(logo);
    v->addSpacing(px(150));

    const NodeKind targets[] = {NodeKind::Inbox, NodeKind::Outbox, NodeKind::SentItems, NodeKind::AddressBook};
    for (int i = 0; i < 4; ++i) {
        const auto which = IconStore::Shortcut(i);
        auto* button = new PopButton(strip);
        button->setObjectName(QLatin1String(kShortcutNames[i]));
        button->setInactivePicture(IconStore::shortcut(which, IconStore::ButtonState::Inactive));
        button->setUpPicture(IconStore::shortcut(which, IconStore::ButtonState::Up));
        button->setDownPicture(IconStore::shortcut(which, IconStore::ButtonState::Down));
        button->setDisabledPicture(IconStore::shortcut(which, IconStore::ButtonState::Disabled));
        button->setFixedSize(button->sizeHint());
        button->setCursor(Qt::PointingHandCursor);
        button->setToolTip(QLatin1String(kShortcutCaptions[i]));
        button->setFocusPolicy(Qt::TabFocus);
        const NodeKind target = targets[i];
        connect(button, &PopButton::clicked, this, [this, target] { jumpToNode(target); });
        shortcuts_[size_t(i)] = button;
        v->addWidget(button, 0, Qt::AlignHCenter);
        auto* caption = new QLabel(QLatin1String(kShortcutCaptions[i]), strip);
        caption->setBuddy(button); // the button's name for a screen reader
        caption->setAlignment(Qt::AlignHCenter);
        caption->setPalette(pal);
        v->addWidget(caption);
        v->addSpacing(px(90));
    }
    v->addStretch(1);
    return strip;
}

QWidget* MainWindow::buildListPane()
{
    picList_ = new QWidget;
    picList_->setObjectName(QStringLiteral("picList"));
    auto* v = new QVBoxLayout(picList_);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    lblHeading_ = new QLabel(picList_);
    lblHeading_->setObjectName(QStringLiteral("lblHeading"));
    lblHeading_->setFixedHeight(px(240) + 4);
    QFont hf = lblHeading_->font();
    hf.setBold(true);
    lblHeading_->setFont(hf);
    lblHeading_->setAutoFillBackground(true);
    QPalette hp = lblHeading_->palette();
    hp.setColor(QPalette::Window, QColor(0x8c, 0x9d, 0xb2));
    hp.setColor(QPalette::WindowText, Qt::white);
    lblHeading_->setPalette(hp);
    v->addWidget(lblHeading_);

    stack_ = new QStackedWidget(picList_);
    stack_->setObjectName(QStringLiteral("stkLists"));

    auto listWithHeadings = [this](const char* name, const QStringList& headings) {
        auto* list = new QTreeView(stack_);
        list->setObjectName(QLatin1String(name));
        auto* placeholder = new QStandardItemModel(0, int(headings.size()), list);
        placeholder->setHorizontalHeaderLabels(headings);
        list->setModel(placeholder);
        styleReportList(list);
        return list;
    };
    lsvSIM_ = listWithHeadings("lsvSIM", {QStringLiteral("Name"), QStringLiteral("Number")});
    lsvSIM_->setAccessibleName(QStringLiteral("SIM Card"));
    lsvAddress_ = listWithHeadings("lsvAddress", {QStringLiteral("Name"), QStringLiteral("Number")});
    lsvAddress_->setAccessibleName(QStringLiteral("Addresses"));

    // The message list leads (top), the preview pane trails.
    Resizer::Options messageOptions;
    messageOptions.orientation = 0;
    messageOptions.separatorTwips = 80;
    messageOptions.invert = true;
    messageOptions.minTwips = {1800, 1000};
    rszMessage_ = new Resizer(messageOptions, stack_);
    rszMessage_->setObjectName(QStringLiteral("rszMessage"));
    lsvMessage_ = new MessageListView;
    lsvMessage_->setObjectName(QStringLiteral("lsvMessage"));
    lsvMessage_->setAccessibleName(QStringLiteral("Messages"));
    lsvMessage_->resize(lsvMessage_->width(), px(kMessageListHeightTwips));
    model_ = new MessageListModel(this);
    lsvMessage_->setModel(model_);
    styleReportList(lsvMessage_);
    lsvMessage_->header()->setSectionsClickable(true);
    lsvMessage_->header()->setSortIndicatorShown(false);
    connect(lsvMessage_->header(), &QHeaderView::sectionClicked, this, &MainWindow::columnClick);
    connect(lsvMessage_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& cur) {
                if (cur.isValid() && !model_->removing())
                    showMessage(model_->rowAt(cur.row()).code);
            });
    // The Delete key runs the Inbox's delete in every folder: the same
    // question, titled "Delete", and the rows go from the folder shown.
    connect(lsvMessage_, &MessageListView::deleteRequested, this, [this] {
        if (hasView_ && viewLayout(view_).page == ListPage::Message)
            dispatchToolbar(ToolbarId::Inbox, QStringLiteral("delete"));
    });
    connect(lsvMessage_, &MessageListView::openRequested, this, &MainWindow::openMessageRequested);
    rszMessage_->addWidget(buildPreviewPane());
    rszMessage_->addWidget(lsvMessage_);

    stack_->insertWidget(int(ListPage::Sim), lsvSIM_);
    stack_->insertWidget(int(ListPage::Address), lsvAddress_);
    stack_->insertWidget(int(ListPage::Message), rszMessage_);
    stack_->setCurrentIndex(int(ListPage::Message));
    v->addWidget(stack_, 1);

    picList_->installEventFilter(this);
    return picList_;
}

QWidget* MainWindow::buildPreviewPane()
{
    picMessage_ = new QFrame;
    picMessage_->setObjectName(QStringLiteral("picMessage"));
    picMessage_->setFrameShape(QFrame::StyledPanel);
    auto* v = new QVBoxLayout(picMessage_);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    shpMsgHeader_ = new QFrame(picMessage_);
    shpMsgHeader_->setObjectName(QStringLiteral("shpMsgHeader"));
    shpMsgHeader_->setAutoFillBackground(true);
    QPalette hp = shpMsgHeader_->palette();
    hp.setColor(QPalette::Window, QColor(0xe4, 0xea, 0xf2));
    shpMsgHeader_->setPalette(hp);
    auto* grid = new QGridLayout(shpMsgHeader_);
    grid->setContentsMargins(px(150), px(60), px(150), px(60));
    grid->setHorizontalSpacing(px(120));
    grid->setVerticalSpacing(px(15));
    auto caption = [this](const char* name, const char* text) {
        auto* l = new QLabel(QLatin1String(text), shpMsgHeader_);
        l->setObjectName(QLatin1String(name));
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        return l;
    };
    auto value = [this](const char* name) {
        auto* l = new QLabel(shpMsgHeader_);
        l->setObjectName(QLatin1String(name));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    lblType_ = value("lblType");
    lblDate_ = value("lblDate");
    lblNumber_ = value("lblNumber");
    grid->addWidget(caption("lblTypeLabel", "Type:"), 0, 0);
    grid->addWidget(lblType_, 0, 1);
    grid->addWidget(caption("lblDateLabel", "Date:"), 1, 0);
    grid->addWidget(lblDate_, 1, 1);
    grid->addWidget(caption("lblNumberLabel", "Number:"), 2, 0);
    grid->addWidget(lblNumber_, 2, 1);
    cmdPlay_ = new QPushButton(QStringLiteral("&Play"), shpMsgHeader_);
    cmdPlay_->setObjectName(QStringLiteral("cmdPlay"));
    grid->addWidget(cmdPlay_, 0, 2, 3, 1, Qt::AlignRight | Qt::AlignVCenter);
    grid->setColumnStretch(1, 1);
    v->addWidget(shpMsgHeader_);

    // The picture box, when shown, sits left of the text and pushes it right.
    auto* h = new QHBoxLayout;
    h->setContentsMargins(px(150), px(150), px(150), px(150));
    h->setSpacing(px(150));
    picImage_ = new QLabel(picMessage_);
    picImage_->setObjectName(QStringLiteral("picImage"));
    picImage_->setFixedWidth(px(1200) - px(150));
    picImage_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    h->addWidget(picImage_, 0, Qt::AlignTop);
    txtMessage_ = new QPlainTextEdit(picMessage_);
    txtMessage_->setObjectName(QStringLiteral("txtMessage"));
    txtMessage_->setAccessibleName(QStringLiteral("Message"));
    txtMessage_->setReadOnly(true);
    txtMessage_->setFrameShape(QFrame::NoFrame);
    h->addWidget(txtMessage_, 1);
    v->addLayout(h, 1);
    clearMessageView();
    return picMessage_;
}

void MainWindow::setOutboxCaption(bool paused)
{
    mnuActivate_->setText(paused ? QStringLiteral("&Activate Outbox") : QStringLiteral("P&ause Outbox"));
    emit outboxPauseShown(paused);
}

// ----------------------------------------------------------------- sizing

int MainWindow::addressFirstColumnWidth(int listWidth, int numberColumn)
{
    // As the message list: the number keeps the design's 1595 twips, or
    // what a full number needs in this font when that is more.
    return std::max(px(1000), listWidth - std::max(px(1595), numberColumn));
}

int MainWindow::messageNameColumnWidth(int listWidth, int otherColumns)
{
    // The name column takes what the other columns leave, reserving at least
    // the design's 3795 twips for them, and never goes below 1000 twips.
    return std::max(px(1000), listWidth - std::max(px(3795), otherColumns));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == picList_ && event->type() == QEvent::Resize)
        fitListColumns();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::fitListColumns()
{
    const int w = picList_->width();
    const int number = QFontMetrics(lsvAddress_->font()).horizontalAdvance(kNumberSample) + cellPad(lsvAddress_);
    const int first = addressFirstColumnWidth(w, number + listChrome(lsvAddress_));
    // The number column takes the rest of the list (the last column does
    // not stretch by itself).
    const int second = std::max(number, w - first - listChrome(lsvAddress_));
    for (QTreeView* list : {lsvAddress_, lsvSIM_}) {
        list->header()->resizeSection(0, first);
        list->header()->resizeSection(1, second);
    }

    // The date, number and type columns fit their longest texts in this
    // font; the name column takes the rest.
    // Unread rows are bold: the fixed columns are measured in the bold font.
    QFont bold = lsvMessage_->font();
    bold.setBold(true);
    const QFontMetrics fm(bold);
    auto* header = lsvMessage_->header();
    const int pad = cellPad(lsvMessage_);
    const int dateWidth = fm.horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 16 + 6 + pad;
    const int numberWidth = fm.horizontalAdvance(kNumberSample) + pad;
    const int typeWidth = std::max(fm.horizontalAdvance(QStringLiteral("Type")) + pad + 8, px(600));
    header->resizeSection(MessageListModel::DateColumn, dateWidth);
    header->resizeSection(MessageListModel::NumberColumn, numberWidth);
    header->resizeSection(MessageListModel::TypeColumn, typeWidth);
    header->resizeSection(MessageListModel::NameColumn,
                          messageNameColumnWidth(w, dateWidth + numberWidth + typeWidth + listChrome(lsvMessage_)));
}

// ------------------------------------------------------------ folder tree

void MainWindow::populate()
{
    // "--select-node=KEY" starts on another fixed node (SIMCard, AddressBook,
    // Outbox, SentItems), for screenshots and demonstrations.
    static bool first = true;
    if (first) {
        first = false;
        const QString prefix = QStringLiteral("--select-node=");
        for (const QString& a : QCoreApplication::arguments()) {
            if (!a.startsWith(prefix))
                continue;
            const QString key = a.mid(prefix.size());
            for (const FolderNode& n : buildFolderNodes(db_).nodes) {
                if (isFixedKind(n.kind) && n.kind != NodeKind::Root && n.key == key) {
                    populateFolderTree(n.kind, n.key);
                    return;
                }
            }
        }
    }
    populateFolderTree(NodeKind::Inbox, QStringLiteral("Inbox"));
}

void MainWindow::populateFolderTree(NodeKind kind, const QString& key)
{
    const FolderNodeList list = buildFolderNodes(db_);
    trvMain_->rebuild(list.nodes);
    if (!list.ok)
        prompt_.error(list.error);
    QTreeWidgetItem* target = trvMain_->findNode(kind, key);
    if (!target)
        target = trvMain_->fixedNode(NodeKind::Inbox);
    trvMain_->selectQuietly(target);
    nodeClick();
    refreshUnreadCount();
}

void MainWindow::jumpToNode(NodeKind kind)
{
    QTreeWidgetItem* node = trvMain_->fixedNode(kind);
    if (!node)
        return;
    trvMain_->selectQuietly(node);
    nodeClick();
    trvMain_->setFocus();
}

void MainWindow::nodeClick()
{
    QTreeWidgetItem* node = trvMain_->currentItem();
    if (!node)
        return;
    switch (FolderTree::kindOf(node)) {
    case NodeKind::Root: return;
    case NodeKind::SimCard:
    case NodeKind::AddressBook:
    case NodeKind::Inbox:
    case NodeKind::Outbox:
    case NodeKind::SentItems: showFolderView(node); break;
    case NodeKind::Group: showAddressView(node); break;
    case NodeKind::InboxFolder: showInboxView(node); break;
    case NodeKind::SentFolder: showSentItemsView(node); break;
    }
}

bool MainWindow::startRename(QTreeWidgetItem* item)
{
    if (!item || isFixedKind(FolderTree::kindOf(item)))
        return false;
    sSelectedNode_ = item->text(0);
    return trvMain_->startRename(item);
}

RenameService::Result MainWindow::renameNode(QTreeWidgetItem* item, const QString& typed)
{
    const NodeKind kind = FolderTree::kindOf(item);
    const QString oldKey = FolderTree::keyOf(item);
    RenameService service(db_, prompt_, &st_);
    RenameService::Result r = service.rename(kind, item->text(0), typed);
    if (r.outcome != RenameService::Outcome::Renamed)
        return r;
    sSelectedNode_ = r.newName;
    const bool shown = item == trvMain_->currentItem();
    if (kind != NodeKind::Group && st_.sCurrentFolder.compare(oldKey, Qt::CaseInsensitive) == 0)
        st_.sCurrentFolder = r.newKey;
    if (shown) {
        sNodeKey_ = r.newKey;
        if (kind == NodeKind::Group)
            sSelectedNode_ = r.newName;
        // The heading names the node; it follows once the label is written.
        QMetaObject::invokeMethod(this, [this] { updateHeading(); }, Qt::QueuedConnection);
    }
    return r;
}

// ------------------------------------------------------------------ views

void MainWindow::applyView(ViewKind view)
{
    const ViewLayout layout = viewLayout(view);
    stack_->setCurrentIndex(int(layout.page));
    for (ToolbarId id : allToolbars())
        toolbars_[size_t(id)]->setVisible(id == layout.toolbar);
    if (layout.page == ListPage::Message) {
        const ColumnHeadings h = columnHeadings(view);
        model_->setHeadings(h.date, h.name);
        // A drag of messages names the table its codes belong to.
        lsvMessage_->setDragTable(view == ViewKind::Inbox    ? QStringLiteral("tbinqueue")
                                  : view == ViewKind::Outbox ? QStringLiteral("tboutqueue")
                                                             : QStringLiteral("tboutlog"));
    }
    view_ = view;
    hasView_ = true;
}

void MainWindow::clearAddressList()
{
    if (QAbstractItemModel* m = lsvAddress_->model())
        m->removeRows(0, m->rowCount());
}

void MainWindow::showFolderView(QTreeWidgetItem* node)
{
    const NodeKind kind = FolderTree::kindOf(node);
    const QString key = FolderTree::keyOf(node);
    clearMessageView();
    switch (kind) {
    case NodeKind::SimCard: {
        applyView(ViewKind::SimCard);
        clearAddressList();
        model_->clear();
        const int entries = lsvSIM_->model() ? lsvSIM_->model()->rowCount() : 0;
        updateHeading();
        if (entries > 0)
            return;
        st_.bSIMReadRequest = true;
        if (!st_.bModemConnected)
            prompt_.warning(QStringLiteral("Unable to detect connection to modem.\n"
                                               "Please select Reset Modem from the\n"
                                               "System menu and try again."));
        break;
    }
    case NodeKind::AddressBook:
        model_->clear();
        if (populateAddressHook)
            populateAddressHook(QString());
        applyView(ViewKind::AddressBook);
        updateHeading();
        st_.bSIMReadRequest = false;
        break;
    case NodeKind::Inbox:
        showInboxView(node);
        st_.bSIMReadRequest = false;
        return;
    case NodeKind::Outbox:
        st_.sCurrentFolder = key;
        clearAddressList();
        applyView(ViewKind::Outbox);
        populateOutbox();
        st_.bSIMReadRequest = false;
        break;
    case NodeKind::SentItems:
        showSentItemsView(node);
        st_.bSIMReadRequest = false;
        return;
    default: return;
    }
    sNodeKey_ = key;
}

void MainWindow::showAddressView(QTreeWidgetItem* node)
{
    const QString key = FolderTree::keyOf(node);
    sSelectedNode_ = key;
    model_->clear();
    if (populateAddressHook)
        populateAddressHook(key);
    applyView(ViewKind::Group);
    updateHeading();
    sNodeKey_ = key;
}

void MainWindow::showInboxView(QTreeWidgetItem* node) { showMessageFolder(node, ViewKind::Inbox); }

void MainWindow::showSentItemsView(QTreeWidgetItem* node) { showMessageFolder(node, ViewKind::SentItems); }

void MainWindow::showMessageFolder(QTreeWidgetItem* node, ViewKind kind)
{
    const QString key = FolderTree::keyOf(node);
    st_.sCurrentFolder = key;
    clearAddressList();
    applyView(kind);
    if (kind == ViewKind::Inbox)
        populateInbox(key);
    else
        populateSentItems(key);
    sNodeKey_ = key;
}

QString MainWindow::heading() const { return lblHeading_->text(); }

void MainWindow::updateHeading()
{
    QTreeWidgetItem* node = trvMain_->currentItem();
    const QString text = node ? node->text(0) : QString();
    int count = 0;
    QTreeView* list = lsvMessage_;
    switch (ListPage(stack_->currentIndex())) {
    case ListPage::Sim: list = lsvSIM_; break;
    case ListPage::Address: list = lsvAddress_; break;
    case ListPage::Message: break;
    }
    if (list->model())
        count = list->model()->rowCount();
    lblHeading_->setText(headingText(text, count));
    // A screen reader hears the folder and its count with the list.
    list->setAccessibleDescription(lblHeading_->text().trimmed());
}

// ------------------------------------------------------------ the fillers

void MainWindow::fillMessages(const MessageFill& fill, const QString& errorTitle)
{
    lsvMessage_->header()->setSortIndicatorShown(false);
    model_->reset(fill.rows);
    if (!fill.ok)
        prompt_.show(UserPrompt::Icon::Critical, errorTitle, fill.error, UserPrompt::Buttons::Ok);
    updateHeading();
    if (model_->rowCount() > 0) {
        // Making the first row current shows it in the preview pane.
        const QModelIndex first = model_->index(0, 0);
        lsvMessage_->selectionModel()->setCurrentIndex(
            first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        lsvMessage_->scrollToTop();
    } else {
        clearMessageView();
    }
}

void MainWindow::populateInbox(const QString& folderKey)
{
    model_->clear();
    txtMessage_->clear();
    fillMessages(loadInboxRows(db_, folderKey), QStringLiteral("Unable to open Inbox"));
    refreshUnreadCount();
}

void MainWindow::populateOutbox()
{
    model_->clear();
    txtMessage_->clear();
    fillMessages(loadOutboxRows(db_), QStringLiteral("Unable to open Outbox"));
}

void MainWindow::populateSentItems(const QString& folderKey)
{
    model_->clear();
    txtMessage_->clear();
    fillMessages(loadSentRows(db_, folderKey), QStringLiteral("Unable to open Sent Items"));
}

void MainWindow::refreshUnreadCount()
{
    const int n = unreadInboxCount(db_);
    if (n >= 0)
        st_.iNewSMS = n;
    applyInboxWeight();
}

void MainWindow::applyInboxWeight()
{
    if (QTreeWidgetItem* inbox = trvMain_->fixedNode(NodeKind::Inbox)) {
        const bool bold = st_.iNewSMS >= 1;
        if (inbox->font(0).bold() != bold) {
            QFont f = inbox->font(0);
            f.setBold(bold);
            inbox->setFont(0, f);
        }
    }
}

void MainWindow::columnClick(int column)
{
    if (isShowing(ViewKind::Outbox))
        return; // the Outbox keeps its send-time order
    bSortDescending_ = !bSortDescending_;
    const Qt::SortOrder order = bSortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (column == MessageListModel::DateColumn)
        model_->sortByDate(bSortDescending_);
    else if (column == MessageListModel::NameColumn || column == MessageListModel::NumberColumn)
        model_->sort(column, order);
    else
        return;
    lsvMessage_->header()->setSortIndicatorShown(true);
    lsvMessage_->header()->setSortIndicator(column, order);
}

// ---------------------------------------------------------- preview pane

void MainWindow::clearMessageView()
{
    pane_ = PaneContent();
    picImage_->hide();
    picImage_->clear();
    cmdPlay_->hide();
    shpMsgHeader_->hide();
    txtMessage_->hide();
    txtMessage_->clear();
}

QImage MainWindow::pictureImage(const sms::MonoBitmap& bitmap, int zoom)
{
    zoom = qMax(1, zoom);
    QImage image(bitmap.width() * zoom, bitmap.height() * zoom, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            if (bitmap.pixel(x, y))
                for (int dy = 0; dy < zoom; ++dy)
                    for (int dx = 0; dx < zoom; ++dx)
                        image.setPixel(x * zoom + dx, y * zoom + dy, qRgb(0, 0, 0));
    return image;
}

void MainWindow::showMessage(qint64 code)
{
    clearMessageView();
    MessageFolder folder;
    if (isShowing(ViewKind::Inbox))
        folder = MessageFolder::Inbox;
    else if (isShowing(ViewKind::SentItems))
        folder = MessageFolder::SentItems;
    else if (isShowing(ViewKind::Outbox))
        folder = MessageFolder::Outbox;
    else
        return;
    const PaneContent c = buildPaneContent(db_, folder, code);
    if (!c.found) {
        if (!c.error.isEmpty())
            prompt_.error(c.error);
        return;
    }
    pane_ = c;
    shpMsgHeader_->show();
    lblDate_->setText(c.dateText);
    lblNumber_->setText(c.number);
    lblType_->setText(c.typeLabel);
    cmdPlay_->setVisible(c.showPlay);
    if (c.image != PaneImage::None) {
        const QPixmap picture = QPixmap::fromImage(pictureImage(c.bitmap));
        picImage_->setFixedSize(picture.size());
        picImage_->setPixmap(picture);
        picImage_->show();
    }
    txtMessage_->setPlainText(c.text);
    txtMessage_->setVisible(c.type != 2);

    // The Inbox's "forward" key forwards text messages only.
    if (QAction* forward = toolbars_[size_t(ToolbarId::Inbox)]->findChild<QAction*>(QStringLiteral("forward")))
        forward->setEnabled(c.type == 1);

    // Showing a message in the Inbox itself marks it read; the list and the
    // count change only when the database did.
    if (st_.sCurrentFolder == QLatin1String("Inbox") && folder == MessageFolder::Inbox) {
        st_.bNewMsgAlert = false;
        if (marksRead(st_.sCurrentFolder, folder, c)) {
            if (markInboxRead(db_, code)) {
                pane_.status = QStringLiteral("O");
                model_->markRead(code);
            }
            refreshUnreadCount();
        }
    }
}

// ----------------------------------------------------------- dispatching

bool MainWindow::setToolbarAction(ToolbarId toolbar, const QString& key, std::function<void()> action)
{
    auto& table = toolbarActions_[size_t(toolbar)];
    const auto it = table.find(key);
    if (it == table.end())
        return false;
    it->second = std::move(action);
    return true;
}

bool MainWindow::dispatchToolbar(ToolbarId toolbar, const QString& key)
{
    const auto& table = toolbarActions_[size_t(toolbar)];
    const auto it = table.find(key);
    if (it == table.end())
        return false;
    if (it->second)
        it->second();
    return true;
}

// --------------------------------------------------------- engine changes

void MainWindow::outboxRowAdded(qint64 code, const QDateTime& sendTime, const QString& name, const QString& number,
                                int type)
{
    if (!isShowing(ViewKind::Outbox))
        return;
    model_->append({code, sendTime, name, number, type, outboxIconKey(QString()), false});
    updateHeading();
}

void MainWindow::outboxRowSending(qint64 code)
{
    if (isShowing(ViewKind::Outbox))
        model_->setIcon(code, outboxIconKey(QStringLiteral("A")));
}

void MainWindow::outboxRowWaiting(qint64 code)
{
    if (isShowing(ViewKind::Outbox))
        model_->setIcon(code, outboxIconKey(QString()));
}

void MainWindow::outboxRowLogged(qint64 oldCode, qint64 newCode, const QString& status)
{
    if (isShowing(ViewKind::Outbox)) {
        if (model_->removeByCode(oldCode))
            updateHeading();
        return;
    }
    if (!isShowing(ViewKind::SentItems))
        return;
    MessageRow row;
    QString folder;
    if (!readSentRow(db_, newCode, &row, &folder))
        return;
    if (folder.compare(st_.sCurrentFolder, Qt::CaseInsensitive) != 0)
        return;
    row.iconKey = sentIconKey(status);
    model_->append(row);
    updateHeading();
}

void MainWindow::messageStored(qint64 code, const QDateTime& when, const QString& name, const QString& number,
                               int type)
{
    refreshUnreadCount();
    if (!isShowing(ViewKind::Inbox) || st_.sCurrentFolder != QLatin1String("Inbox"))
        return;
    model_->append({code, when, name, number, type, inboxIconKey(QStringLiteral("N")), true});
    updateHeading();
}

void MainWindow::markedRead(qint64 code)
{
    // Codes are unique per table only: the row is the Inbox's only while an
    // Inbox folder is shown.
    if (isShowing(ViewKind::Inbox))
        model_->markRead(code);
    refreshUnreadCount();
}

// ------------------------------------------------------------------ close

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    // A window manager keeps the window at its minimum size; without one
    // the window is put back to it, the width first.
    const QSize min = minimumSize();
    if (width() < min.width() || height() < min.height())
        QTimer::singleShot(0, this, [this] { resize(size().expandedTo(minimumSize())); });
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    // The panes get their first sizes once the window has its own.
    shownOnce_ = true;
    rszMain_->setControl1Size(kTreeWidthTwips);
    rszMessage_->setControl1Size(kMessageListHeightTwips);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!app_.requestClose()) {
        // A cycle is running; the next tick closes the window.
        event->ignore();
        return;
    }
    event->accept();
    app_.release();
    QApplication::quit();
}
