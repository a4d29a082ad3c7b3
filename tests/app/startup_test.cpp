// Start-up pieces: the shared-memory flags, the single-instance guard, the
// data folder, the settings read at load, and the main window's load and
// deferred close.
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mainwindow/MainWindow.h"
#include "modem/ModemLink.h"
#include "app/AppController.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "base/SharedFlagBlock.h"
#include "base/SingleInstance.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {
// A block name private to this test process, so parallel tests do not meet.
QString uniqueName(const char* base)
{
    return QStringLiteral("%1-test-%2").arg(QLatin1String(base)).arg(::getpid());
}

struct ShmGuard {
    QString name;
    ~ShmGuard() { ::shm_unlink(SharedFlagBlock::objectName(name).toLocal8Bit().constData()); }
};
} // namespace

TEST(SharedFlagBlock, PeerSeesTheFlagByNameAsLittleEndianFloat)
{
    ShmGuard g{uniqueName("Inbox")};
    SharedFlagBlock block;
    ASSERT_EQ(block.create(g.name), SharedFlagBlock::Result::Ok);
    EXPECT_EQ(block.readFloat(), 0.0f);
    ASSERT_TRUE(block.writeFloat(1.0f));

    // Another program opens the object by its name.
    const int fd = ::shm_open(SharedFlagBlock::objectName(g.name).toLocal8Bit().constData(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::lseek(fd, 0, SEEK_END), SharedFlagBlock::kSize);
    unsigned char b[4] = {};
    ASSERT_EQ(::pread(fd, b, 4, 0), 4);
    EXPECT_EQ(b[0], 0x00);
    EXPECT_EQ(b[1], 0x00);
    EXPECT_EQ(b[2], 0x80);
    EXPECT_EQ(b[3], 0x3F);
    const unsigned char zero[4] = {0, 0, 0, 0};
    ASSERT_EQ(::pwrite(fd, zero, 4, 0), 4);
    EXPECT_EQ(block.readFloat(), 0.0f);
    ::close(fd);
}

TEST(SharedFlagBlock, ATruncatedObjectReadsAsZeroWithoutACrash)
{
    ShmGuard g{uniqueName("Outbox")};
    SharedFlagBlock block;
    ASSERT_EQ(block.create(g.name), SharedFlagBlock::Result::Ok);
    ASSERT_TRUE(block.writeFloat(1.0f));
    const int fd = ::shm_open(SharedFlagBlock::objectName(g.name).toLocal8Bit().constData(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 0), 0);
    EXPECT_EQ(block.readFloat(), 0.0f);
    EXPECT_FALSE(block.writeFloat(1.0f));
    ::close(fd);
}

TEST(SharedFlagBlock, CloseTwiceAndReopenKeepsTheValue)
{
    ShmGuard g{uniqueName("Outbox")};
    {
        SharedFlagBlock block;
        ASSERT_EQ(block.create(g.name), SharedFlagBlock::Result::Ok);
        block.writeFloat(1.0f);
        block.close();
        block.close();
        EXPECT_FALSE(block.isMapped());
        EXPECT_EQ(block.readFloat(), 0.0f);
    }
    // Never unlinked: a peer's value survives our restart.
    SharedFlagBlock again;
    ASSERT_EQ(again.create(g.name), SharedFlagBlock::Result::Ok);
    EXPECT_EQ(again.readFloat(), 1.0f);
}

namespace {
// Creates the object as another program would, with the given mode, and
// writes 1.0 into it.
void createAsPeer(const QString& name, mode_t mode)
{
    const int fd = ::shm_open(SharedFlagBlock::objectName(name).toLocal8Bit().constData(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::fchmod(fd, mode), 0);
    ASSERT_EQ(::ftruncate(fd, SharedFlagBlock::kSize), 0);
    const unsigned char one[4] = {0x00, 0x00, 0x80, 0x3F};
    ASSERT_EQ(::pwrite(fd, one, 4, 0), 4);
    ::close(fd);
}

mode_t modeOf(const QString& name)
{
    const int fd = ::shm_open(SharedFlagBlock::objectName(name).toLocal8Bit().constData(), O_RDONLY, 0);
    struct stat st {};
    ::fstat(fd, &st);
    ::close(fd);
    return st.st_mode & 07777;
}
} // namespace

TEST(SharedFlagBlock, AnObjectOthersCanWriteOrAnotherUserOwnsIsNotUsed)
{
    ShmGuard g{uniqueName("Outbox")};
    for (const mode_t mode : {0666, 0620, 0602}) {
        createAsPeer(g.name, mode);
        SharedFlagBlock block;
        EXPECT_EQ(block.create(g.name), SharedFlagBlock::Result::NotTrusted) << std::oct << mode;
        EXPECT_FALSE(block.isMapped());
        EXPECT_EQ(block.readFloat(), 0.0f);
        EXPECT_FALSE(block.writeFloat(0.0f));
        // Left as it was: neither reset nor made private.
        EXPECT_EQ(modeOf(g.name), mode);
        ::shm_unlink(SharedFlagBlock::objectName(g.name).toLocal8Bit().constData());
    }
    // Readable by others is no threat to what we read.
    createAsPeer(g.name, 0644);
    SharedFlagBlock readable;
    EXPECT_EQ(readable.create(g.name), SharedFlagBlock::Result::Ok);
    EXPECT_EQ(readable.readFloat(), 1.0f);
    readable.close();

    // Created by another user: checked against the owner the object must
    // have (a test cannot create an object as another user unless it runs
    // as root, below).
    SharedFlagBlock other;
    EXPECT_EQ(other.create(g.name, ::geteuid() + 1), SharedFlagBlock::Result::NotTrusted);
    EXPECT_FALSE(other.isMapped());
    if (::geteuid() == 0) {
        const int fd = ::shm_open(SharedFlagBlock::objectName(g.name).toLocal8Bit().constData(), O_RDWR, 0);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::fchmod(fd, 0600), 0);
        ASSERT_EQ(::fchown(fd, 65534, 65534), 0);
        ::close(fd);
        SharedFlagBlock foreign;
        EXPECT_EQ(foreign.create(g.name), SharedFlagBlock::Result::NotTrusted);
    }
}

TEST(SingleInstance, SecondHolderIsRefusedAndAStaleLockIsTakenOver)
{
    SingleInstance first("VelquarinTest");
    ASSERT_TRUE(first.acquire());
    SingleInstance second("VelquarinTest");
    EXPECT_FALSE(second.acquire());
    first.release();
    EXPECT_TRUE(second.acquire());
    second.release();

    // A lock file left by a process that no longer runs does not block.
    QFile stale(first.lockPath());
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("999999\nvelquarin\n");
    stale.write(QSysInfo::machineHostName().toUtf8() + "\n");
    stale.close();
    SingleInstance third("VelquarinTest");
    EXPECT_TRUE(third.acquire());
}

TEST(AppPaths, CommandLineWinsOverTheEnvironment)
{
    qputenv("VELQUARIN_HOME", "/tmp/from-env");
    EXPECT_EQ(AppPaths::init({"velquarin", "--data-dir", "/tmp/from-args"}), "/tmp/from-args");
    EXPECT_EQ(AppPaths::init({"velquarin", "--data-dir=/tmp/eq"}), "/tmp/eq");
    EXPECT_EQ(AppPaths::init({"velquarin"}), "/tmp/from-env");
    EXPECT_EQ(AppPaths::databasePath(), "/tmp/from-env/data.db");
    qunsetenv("VELQUARIN_HOME");
    EXPECT_FALSE(AppPaths::init({"velquarin"}).isEmpty());
}

TEST(AppPaths, SeedCreatesTheFolderAndItsSubfolders)
{
    AppPaths::setAppDir(testenv::newDir("seed") + "/nested/data");
    ASSERT_TRUE(AppPaths::seed());
    for (const char* sub : {"www", "RingTones", "Logos", "Pictures"})
        EXPECT_TRUE(QDir(AppPaths::filePath(sub)).exists()) << sub;
}

TEST(Settings, DefaultsAndValuesThatDoNotParse)
{
    EXPECT_EQ(Settings::httpPort(), 8010);
    EXPECT_EQ(Settings::autoForwardGroup(), "None");
    EXPECT_EQ(Settings::audible(), 1);
    Settings::save("SettingHaveModem", "yes");
    EXPECT_EQ(Settings::haveModem(), 0);
    Settings::save("SettingHaveModem", "1");
    EXPECT_EQ(Settings::haveModem(), 1);
    Settings::save("SettingComPort", "3");
    EXPECT_EQ(Settings::comPort(), "/dev/ttyS2");
    Settings::save("SettingComPort", "/dev/ttyUSB0");
    EXPECT_EQ(Settings::comPort(), "/dev/ttyUSB0");
}

namespace {
struct Load : ::testing::Test {
    testenv::FreshDb f;
    void SetUp() override { testenv::prompt().reset(); }
};
} // namespace

TEST_F(Load, RaisesDetectionOrInitialisationAndStartsTheCycle)
{
    Settings::save("SettingHaveModem", "garbage");
    AppController app(f.db(), nullptr, testenv::prompt(), testenv::windows());
    app.state().bInboxProcessRequest = true;
    app.state().bGotCMT = true;
    app.state().bSIMReadRequest = true;
    app.load(false);
    EXPECT_TRUE(app.state().bDetectModemRequest);
    EXPECT_FALSE(app.state().bInitModemRequest);
    EXPECT_FALSE(app.state().bGotCMT);
    EXPECT_FALSE(app.state().bSIMReadRequest);
    EXPECT_TRUE(app.state().bInboxProcessRequest); // left as it was
    EXPECT_TRUE(app.scheduler().isRunning());
    ASSERT_NE(app.window(), nullptr);
    EXPECT_EQ(app.window()->windowTitle(), "Velquarin 1.2");
    EXPECT_EQ(Settings::appPath(), AppPaths::appDir());
    app.release();

    Settings::save("SettingHaveModem", "1");
    AppController again(f.db(), nullptr, testenv::prompt(), testenv::windows());
    again.load(false);
    EXPECT_TRUE(again.state().bInitModemRequest);
    again.release();
}

// The window's timers read the controller's state: a window left behind
// would read a controller that is gone.
TEST_F(Load, TheWindowGoesWithItsController)
{
    QPointer<MainWindow> w;
    {
        AppController app(f.db(), nullptr, testenv::prompt(), testenv::windows());
        app.load(false);
        w = app.window();
        ASSERT_FALSE(w.isNull());
        app.release();
        EXPECT_FALSE(w.isNull()); // released, still its controller's
    }
    EXPECT_TRUE(w.isNull());
}

TEST_F(Load, CloseDuringACycleWaitsForTheNextTick)
{
    AppController app(f.db(), nullptr, testenv::prompt(), testenv::windows());
    app.load(true);
    MainWindow* w = app.window();
    ASSERT_NE(w, nullptr);
    QSignalSpy finished(&app, &AppController::finished);
    bool closedInside = true;
    app.scheduler().steps().detectModem = [&] { closedInside = w->close(); };
    app.state().bDetectModemRequest = true;
    app.scheduler().tick();
    EXPECT_FALSE(closedInside);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(app.state().bClosePending);
    EXPECT_EQ(finished.size(), 0);
    // The next tick closes the window and releases everything.
    app.scheduler().tick();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(finished.size(), 1);
    EXPECT_FALSE(f.db().isOpen());
}

TEST(Program, StartsCreatesTheDatabaseAndRefusesASecondCopy)
{
    const QString exe = QCoreApplication::applicationDirPath() + "/../src/velquarin";
    if (!QFile::exists(exe))
        GTEST_SKIP() << "program not built";
    const QString data = testenv::newDir("program");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(exe, {"--data-dir", data});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(testenv::waitUntil([&] { return QFile::exists(data + "/data.db"); }, 10000));
    EXPECT_TRUE(QDir(data + "/www").exists());

    // The second copy shows its warning (offscreen, answered by nobody) and
    // must not get as far as touching the database; kill it after a moment.
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(exe, {"--data-dir", testenv::newDir("second")});
    ASSERT_TRUE(second.waitForStarted());
    testenv::waitUntil([] { return false; }, 1500);
    EXPECT_FALSE(QFile::exists(QDir(second.arguments().at(1)).filePath("data.db")));
    second.kill();
    second.waitForFinished();
    first.terminate();
    if (!first.waitForFinished(3000)) {
        first.kill();
        first.waitForFinished();
    }
    Database db;
    ASSERT_TRUE(db.open(data + "/data.db"));
    // The shipped tables and tbindigest, at the newest schema version.
    EXPECT_EQ(db.query("SELECT COUNT(*) FROM sqlite_master WHERE type='table'").value(0, 0).toInt(), 16);
    EXPECT_EQ(db.query("PRAGMA user_version").value(0, 0).toInt(), 4);
}

TEST_F(Load, AModemThatVanishesIsBroughtBackQuietly)
{
    AppController app(f.db(), nullptr, testenv::prompt(), testenv::windows());
    app.load(false);
    app.state().bInitModemRequest = false;
    // Lost while nothing was connected: nothing to bring back.
    emit app.modem().portLost();
    EXPECT_FALSE(app.scheduler().isReconnecting());
    app.state().bModemConnected = true;
    emit app.modem().portLost();
    EXPECT_FALSE(app.state().bModemConnected);
    EXPECT_TRUE(app.scheduler().isReconnecting());
    // No start-up forms and no box: the status bar says it.
    EXPECT_FALSE(app.state().bInitModemRequest);
    EXPECT_EQ(app.window()->statusLabel()->text(), ActivityScheduler::disconnectedText());
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_EQ(app.scheduler().channel(), static_cast<AtChannel*>(&app.modem()));
    app.release();
}

TEST_F(Load, FlagBlocksOthersCanWriteAreLeftOutWithOneWarning)
{
    ShmGuard outbox{uniqueName("Outbox")}, inbox{uniqueName("Inbox")};
    createAsPeer(outbox.name, 0666);
    createAsPeer(inbox.name, 0666);
    {
        AppController app(f.db(), nullptr, testenv::prompt(), testenv::windows());
        app.setFlagNames(outbox.name, inbox.name);
        app.load(false);
        ASSERT_EQ(testenv::prompt().count(), 1);
        const ScriptedPrompt::Shown& shown = testenv::prompt().shown().first();
        EXPECT_EQ(shown.title, "Warning");
        EXPECT_EQ(shown.text, QString("The shared memory \"%1\" and \"%2\" is not used: it belongs to another user or "
                                      "other users may write to it.\nVelquarin runs without the hand-in of messages by "
                                      "other programs.")
                                  .arg(SharedFlagBlock::objectName(outbox.name), SharedFlagBlock::objectName(inbox.name)));
        // The other user's 1.0 is not read as rows handed in.
        EXPECT_FALSE(app.outboxBlock().isMapped());
        EXPECT_FALSE(app.inboxBlock().isMapped());
        EXPECT_EQ(app.scheduler().steps().readOutboxFlag(), 0.0f);
        EXPECT_TRUE(app.scheduler().isRunning());
        app.release();
    }

    // Only the Inbox block open to others: the Outbox is used.
    ::shm_unlink(SharedFlagBlock::objectName(outbox.name).toLocal8Bit().constData());
    testenv::prompt().reset();
    AppController app(f.db(), nullptr, testenv::prompt(), testenv::windows());
    app.setFlagNames(outbox.name, inbox.name);
    app.load(false);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_TRUE(testenv::prompt().shown().first().text.startsWith(
        QString("The shared memory \"%1\" is not used").arg(SharedFlagBlock::objectName(inbox.name))));
    EXPECT_TRUE(app.outboxBlock().isMapped());
    EXPECT_FALSE(app.inboxBlock().isMapped());
    app.release();
}
