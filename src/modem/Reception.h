#pragma once
// Reception of short messages: every "+CMT: " indication the modem link cuts
// out is decoded here, the parts of a smart message are joined in tbintemp
// (PartAssembler), and the complete message is stored in tbinqueue. Runs inside
// whatever modem wait is in progress, so it never asks the user anything.
#include <QDateTime>
#include <QObject>
#include <QString>

#include "modem/PartAssembler.h"

class Database;
class SharedFlagBlock;
struct EngineState;

class Reception : public QObject {
    Q_OBJECT
public:
    // inboxFlag is the "Inbox" shared-memory block; it may be null or
    // unmapped (the flag is then only kept in the engine state).
    Reception(Database& db, EngineState& state, SharedFlagBlock* inboxFlag, QObject* parent = nullptr);

    // The sender without the area code: every occurrence of the area code,
    // with a "+" in front (added when the setting holds none), is removed.
    static QString removeAreaCode(const QString& sender, const QString& areaCode);

public slots:
    // One indication: its header line and its PDU line. A malformed PDU or
    // a coding that is not kept stores nothing and signals nothing.
    void DecodeIncomingPDU(const QString& header, const QString& pdu);

signals:
    // A message was stored and committed. The Inbox list adds it when it
    // shows the Inbox folder and requestType is 0. name is the address-book
    // entry's first and last name joined by a blank (empty when the number
    // is not in the address book).
    void messageStored(qint64 code, const QDateTime& created, const QString& name, const QString& number,
                       int type, int requestType);

private:
    void announce(qint64 code, const QString& sender, int type, int requestType);

    Database& db_;
    EngineState& st_;
    SharedFlagBlock* inboxFlag_;
    PartAssembler assembler_;
};
