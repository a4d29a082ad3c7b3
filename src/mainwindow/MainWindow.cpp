#include "mainwindow/MainWindow.h"

#include "startup/AppController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>

MainWindow::MainWindow(AppController& app, QWidget* parent) : QMainWindow(parent), app_(app)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Velquarin 1.2"));
    setMinimumSize(640, 480);
    resize(800, 600);
    buildMenus();
    buildStatusBar();

    auto& sched = app_.scheduler();
    connect(&sched, &ActivityScheduler::outboxPausedChanged, this, &MainWindow::setOutboxCaption);
    connect(&sched, &ActivityScheduler::signalRangeChanged, prgSignal_, &QProgressBar::setMaximum);
    connect(&sched, &ActivityScheduler::signalValueChanged, prgSignal_, &QProgressBar::setValue);
    connect(&sched, &ActivityScheduler::statusText, lblStatus_, &QLabel::setText);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("mnuFileExit"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* system = menuBar()->addMenu(QStringLiteral("&System"));
    mnuActivate_ = system->addAction(QStringLiteral("&Activate Outbox"));
    mnuActivate_->setObjectName(QStringLiteral("mnuActivate"));
    connect(mnuActivate_, &QAction::triggered, this, [this] { app_.scheduler().activateOutbox(); });
    system->addSeparator();
    QAction* detect = system->addAction(QStringLiteral("&Detect Modem"));
    detect->setObjectName(QStringLiteral("mnuSystemDetectModem"));
    connect(detect, &QAction::triggered, this, [this] { app_.scheduler().requestDetectModem(); });
    QAction* reset = system->addAction(QStringLiteral("&Reset Modem"));
    reset->setObjectName(QStringLiteral("mnuSystemResetModem"));
    connect(reset, &QAction::triggered, this, [this] { app_.scheduler().requestResetModem(); });
}

void MainWindow::buildStatusBar()
{
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("stsGeneral"));
    prgSignal_ = new QProgressBar(this);
    prgSignal_->setObjectName(QStringLiteral("prgSignal"));
    prgSignal_->setTextVisible(false);
    prgSignal_->setMaximumWidth(100);
    prgSignal_->setMaximum(100);
    prgSignal_->setValue(10);
    lblMessageId_ = new QLabel(this);
    lblMessageId_->setObjectName(QStringLiteral("stsMessageId"));
    statusBar()->addWidget(lblStatus_, 1);
    statusBar()->addPermanentWidget(prgSignal_);
    statusBar()->addPermanentWidget(lblMessageId_);
}

void MainWindow::setOutboxCaption(bool paused)
{
    mnuActivate_->setText(paused ? QStringLiteral("&Activate Outbox") : QStringLiteral("P&ause Outbox"));
}

void MainWindow::populate() {}

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
