#pragma once
// Serial ports as a desktop shows them: stable names under
// /dev/serial/by-id, the ports the system lists with their description and
// maker, and why a port could not be opened, in words an operator can act on.
#include <QList>
#include <QSerialPort>
#include <QString>

namespace serialports {

// The folder of stable links; tests point it elsewhere.
QString byIdRoot();
void setByIdRoot(const QString& path);

// The stable link (a path below the by-id folder) that leads to the device,
// or "" when there is none. Links are compared by their final target, so a
// device given by another link is found too.
QString stableNameFor(const QString& devicePath);

// The path to open for a stored port: a stable link is followed to the
// device it leads to now; a device path is returned as it is. "" when the
// stored port is a stable link that leads nowhere (the device is gone).
QString resolveForOpen(const QString& stored);

// What a port is stored and shown as: its stable name when it has one,
// else the device path.
QString storedNameFor(const QString& devicePath);

struct PortEntry {
    QString path;         // the device, /dev/ttyUSB2
    QString stableName;   // /dev/serial/by-id/..., or ""
    QString description;  // from the system, e.g. "HUAWEI Mobile"
    QString manufacturer;
    // "/dev/ttyUSB2 – HUAWEI Mobile (Huawei)": the path with what the
    // system says of it.
    QString label() const;
};

// The serial ports the system lists, in the scan's order.
QList<PortEntry> availablePorts();

enum class OpenFailure { None, Permission, Busy, Missing, Other };

// Reads a failed open: the error QSerialPort reported, whether the device
// exists and whether this user may read and write it. A permission error on
// a device this user may open means another program holds it (its lock, or
// an exclusive open).
OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, bool exists, bool accessible);
// The same, looking at the device itself.
OpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, const QString& devicePath);

// The operator's text for a failed open: the port, the system's reason, and
// for a permission failure what to do about it.
QString openFailureText(const QString& port, OpenFailure failure, const QString& systemText);

} // namespace serialports
