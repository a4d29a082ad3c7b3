#include "modem/SerialPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <unistd.h>

namespace serialports {

namespace {

QString& rootPath()
{
    static QString root = QStringLiteral("/dev/serial/by-id");
    return root;
}

QString finalTarget(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QString() : canonical;
}

bool isBelowRoot(const QString& path)
{
    const QString root = QDir::cleanPath(rootPath()) + QLatin1Char('/');
    return QDir::cleanPath(path).startsWith(root);
}

} // namespace

QString byIdRoot() { return rootPath(); }
void setByIdRoot(const QString& path) { rootPath() = path; }

QString stableNameFor(const QString& devicePath)
{
    if (isBelowRoot(devicePath))
        return QFileInfo::exists(devicePath) ? QDir::cleanPath(devicePath) : QString();
    const QString target = finalTarget(devicePath);
    if (target.isEmpty())
        return {};
    QDir dir(rootPath());
    // Sorted, so that a device with two links always gets the same one.
    const QFileInfoList links = dir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& link : links)
        if (finalTarget(link.absoluteFilePath()) == target)
            return QDir::cleanPath(link.absoluteFilePath());
    return {};
}

QString resolveForOpen(const QString& stored)
{
    if (!isBelowRoot(stored))
        return stored;
    return finalTarget(stored);
}

QString storedNameFor(const QString& devicePath)
{
    const QString stable = stableNameFor(devicePath);
    return stable.isEmpty() ? devicePath : stable;
}

QString PortEntry::label() const
{
    QString what = description.trimmed();
    const QString maker = manufacturer.trimmed();
    if (!maker.isEmpty() && !what.contains(maker, Qt::CaseInsensitive))
        what = what.isEmpty() ? maker : what + QStringLiteral(" (") + maker + QLatin1Char(')');
    return what.isEmpty() ? path : path + QStringLiteral(" \u2013 ") + what;
}

QList<PortEntry> availablePorts()
{
    QList<PortEntry> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortEntry e;
        e.path = info.systemLocation();
        e.description = info.description();
        e.manufacturer = info.manufacturer();
        e.stableName = stableNameFor(e.path);
        out.append(e);
    }
    return out;
}

OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, bool exists, bool accessible)
{
    switch (error) {
    case QSerialPort::NoError: return OpenFailure::None;
    case QSerialPort::DeviceNotFoundError: return OpenFailure::Missing;
    case QSerialPort::OpenError: return OpenFailure::Busy; // already open in this program
    case QSerialPort::PermissionError:
        if (!exists)
            return OpenFailure::Missing;
        return accessible ? OpenFailure::Busy : OpenFailure::Permission;
    default: return exists ? OpenFailure::Other : OpenFailure::Missing;
    }
}

OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString& devicePath)
{
    const bool exists = !devicePath.isEmpty() && QFileInfo::exists(devicePath);
    const QByteArray local = QFile::encodeName(devicePath);
    const bool accessible = exists && ::access(local.constData(), R_OK | W_OK) == 0;
    return classifyOpenFailure(error, exists, accessible);
}

QString openFailureText(const QString& port, OpenFailure failure, const QString& systemText)
{
    if (port.isEmpty())
        return QStringLiteral("No port is set.");
    const QString why = systemText.trimmed().isEmpty() ? QStringLiteral("no reason given") : systemText.trimmed();
    QString text = port + QStringLiteral(": ");
    switch (failure) {
    case OpenFailure::None: return {};
    case OpenFailure::Permission:
        text += QStringLiteral("permission denied (%1).\n"
                               "Serial devices belong to the group \"dialout\". Add your user to it "
                               "(sudo usermod -aG dialout $USER), then log out and in again.")
                    .arg(why);
        break;
    case OpenFailure::Busy:
        text += QStringLiteral("in use by another program (%1).\n"
                               "Close the other program, or let the desktop's modem manager leave "
                               "the device alone (see \"Using a real modem\" in the README).")
                    .arg(why);
        break;
    case OpenFailure::Missing:
        text += QStringLiteral("no such device (%1). Is the modem plugged in?").arg(why);
        break;
    case OpenFailure::Other:
        text += why + QLatin1Char('.');
        break;
    }
    return text;
}

} // namespace serialports
