// Serial ports on a desktop: stable names, the port list, and the reasons a
// port cannot be opened.
#include <gtest/gtest.h>

#include "modem/SerialPorts.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

using namespace serialports;

namespace {

// A fake /dev: devices are plain files, by-id holds relative links to them
// as udev makes them.
struct FakeDev {
    QString dev = testenv::newDir(QStringLiteral("dev"));
    QString byId = dev + QStringLiteral("/serial/by-id");
    FakeDev()
    {
        QDir().mkpath(byId);
        setByIdRoot(byId);
    }
    ~FakeDev() { setByIdRoot(QStringLiteral("/dev/serial/by-id")); }
    QString device(const QString& name)
    {
        QFile f(dev + QLatin1Char('/') + name);
        f.open(QIODevice::WriteOnly);
        return f.fileName();
    }
    QString link(const QString& name, const QString& deviceName)
    {
        const QString path = byId + QLatin1Char('/') + name;
        QFile::remove(path);
        EXPECT_TRUE(QFile::link(QStringLiteral("../../") + deviceName, path));
        return path;
    }
};

} // namespace

TEST(SerialPorts, StableNamesLeadToTheDeviceWhereverItReappears)
{
    FakeDev fake;
    const QString usb0 = fake.device("ttyUSB0");
    const QString usb1 = fake.device("ttyUSB1");
    const QString at = fake.link("usb-HUAWEI_Mobile-if02-port0", "ttyUSB0");
    fake.link("usb-HUAWEI_Mobile-if00-port0", "ttyUSB1");

    EXPECT_EQ(stableNameFor(usb0), at);
    EXPECT_EQ(storedNameFor(usb0), at) << "a port with a stable name is stored by it";
    EXPECT_EQ(stableNameFor(at), at);
    EXPECT_EQ(resolveForOpen(at), QFileInfo(usb0).canonicalFilePath());

    // After a reset the modem comes back as ttyUSB2: the same stable name
    // now leads there, and the program opens the new device.
    const QString usb2 = fake.device("ttyUSB2");
    fake.link("usb-HUAWEI_Mobile-if02-port0", "ttyUSB2");
    QFile::remove(usb0);
    EXPECT_EQ(resolveForOpen(at), QFileInfo(usb2).canonicalFilePath());

    // Unplugged: the link leads nowhere, so there is nothing to open.
    QFile::remove(usb2);
    EXPECT_EQ(resolveForOpen(at), QString());

    // A device without a link is stored and opened by its path.
    const QString acm = fake.device("ttyACM0");
    EXPECT_EQ(stableNameFor(acm), QString());
    EXPECT_EQ(storedNameFor(acm), acm);
    EXPECT_EQ(resolveForOpen(acm), acm);
    EXPECT_EQ(resolveForOpen(QStringLiteral("/dev/ttyS9")), QStringLiteral("/dev/ttyS9"));
}

TEST(SerialPorts, TheListShowsWhatTheSystemSaysOfEachPort)
{
    PortEntry e{QStringLiteral("/dev/ttyUSB2"), {}, QStringLiteral("HUAWEI Mobile"), QStringLiteral("HUAWEI")};
    EXPECT_EQ(e.label(), QString::fromUtf8("/dev/ttyUSB2 \u2013 HUAWEI Mobile"));
    e.manufacturer = QStringLiteral("Quectel");
    e.description = QStringLiteral("EG25 AT port");
    EXPECT_EQ(e.label(), QString::fromUtf8("/dev/ttyUSB2 \u2013 EG25 AT port (Quectel)"));
    e.description.clear();
    EXPECT_EQ(e.label(), QString::fromUtf8("/dev/ttyUSB2 \u2013 Quectel"));
    e.manufacturer.clear();
    EXPECT_EQ(e.label(), QStringLiteral("/dev/ttyUSB2"));
}

TEST(SerialPorts, EveryFailureNamesThePortAndTheReason)
{
    using E = QSerialPort::SerialPortError;
    EXPECT_EQ(classifyOpenFailure(E::PermissionError, true, false), OpenFailure::Permission);
    EXPECT_EQ(classifyOpenFailure(E::PermissionError, true, true), OpenFailure::Busy);
    EXPECT_EQ(classifyOpenFailure(E::PermissionError, false, false), OpenFailure::Missing);
    EXPECT_EQ(classifyOpenFailure(E::DeviceNotFoundError, false, false), OpenFailure::Missing);
    EXPECT_EQ(classifyOpenFailure(E::OpenError, true, true), OpenFailure::Busy);
    EXPECT_EQ(classifyOpenFailure(E::UnsupportedOperationError, true, true), OpenFailure::Other);
    EXPECT_EQ(classifyOpenFailure(E::NoError, true, true), OpenFailure::None);

    const QString perm = openFailureText("/dev/ttyUSB0", OpenFailure::Permission, "Permission denied");
    EXPECT_TRUE(perm.startsWith("/dev/ttyUSB0: permission denied (Permission denied)")) << perm.toStdString();
    EXPECT_TRUE(perm.contains("dialout"));
    EXPECT_TRUE(perm.contains("log out and in again"));
    const QString busy = openFailureText("/dev/ttyUSB0", OpenFailure::Busy, "The device is already open");
    EXPECT_TRUE(busy.contains("/dev/ttyUSB0: in use by another program (The device is already open)"));
    const QString gone = openFailureText("/dev/serial/by-id/usb-X", OpenFailure::Missing, "");
    EXPECT_TRUE(gone.contains("/dev/serial/by-id/usb-X: no such device (no reason given)"));
    EXPECT_EQ(openFailureText("", OpenFailure::Missing, "x"), "No port is set.");
}

TEST(SerialPorts, RealOpenFailuresAreReadRight)
{
    // A path that is not there.
    QSerialPort missing;
    missing.setPortName(testenv::root() + QStringLiteral("/no-such-tty"));
    ASSERT_FALSE(missing.open(QIODevice::ReadWrite));
    EXPECT_EQ(classifyOpenFailure(missing.error(), missing.portName()), OpenFailure::Missing);

    // A terminal another program holds exclusively (TIOCEXCL makes a second
    // open fail as a modem manager's does).
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const QString slave = QString::fromLocal8Bit(::ptsname(master));
    QSerialPort first;
    first.setPortName(slave);
    ASSERT_TRUE(first.open(QIODevice::ReadWrite)) << first.errorString().toStdString();
    QSerialPort second;
    second.setPortName(slave);
    EXPECT_FALSE(second.open(QIODevice::ReadWrite));
    if (::geteuid() != 0) {
        // Root may open an exclusive terminal anyway; others are refused.
        EXPECT_EQ(classifyOpenFailure(second.error(), slave), OpenFailure::Busy)
            << second.errorString().toStdString();
    } else if (!second.isOpen()) {
        EXPECT_EQ(classifyOpenFailure(second.error(), slave), OpenFailure::Busy)
            << second.errorString().toStdString();
    }
    first.close();
    ::close(master);
}
