#pragma once
// The serial link to the modem and the AT exchange: writes one command and
// waits on the event loop for its final result, the "> " prompt, a Cancel
// or the deadline, while the reply parser cuts incoming text into final
// results, the prompt and unsolicited indications.
#include <QObject>
#include <QSerialPort>
#include <QString>

#include "modem/AtChannel.h"

struct EngineState;

class ModemLink : public QObject, public AtChannel {
    Q_OBJECT
public:
    explicit ModemLink(EngineState& state, QObject* parent = nullptr);
    ~ModemLink() override;

    // Opens the port (a device path) with the speed, 8N1 and the handshake
    // ("None", "XonXoff", "RTS", "RTSXonXoff"). False when it cannot open.
    bool openPort(const QString& path, int baudRate, const QString& handshake);
    void closePort();
    QString portName() const;
    QSerialPort& port();

    // AtChannel: SendATCommand.
    bool sendATCommand(const QString& command, double timeoutSec) override;
    QString modemReply() const override;
    bool isOpen() const override;
    int lastCmsError() const override;
    // The number of the last "+CMS ERROR: " or "+CME ERROR:" (iModemError).
    int modemError() const;

    // Cancel on a progress form: the wait in hand ends as if the reply came.
    void cancel();

    // The serial log (the newest 10000 characters).
    const QString& commLog() const;
    // Feeds received text to the parser as the receive handler does.
    void processModemInput(const QString& chunk);

signals:
    // A "+CMT: " indication with its header line and PDU line; bGotCMT is
    // already set.
    void cmtReceived(const QString& header, const QString& pdu);
    void ringReceived();
    void logAppended(const QString& chunk);
};
