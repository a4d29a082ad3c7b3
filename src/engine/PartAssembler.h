#pragma once
// Joins the parts of received smart messages. A part waits in tbintemp, one
// row per part (msgcontent: the part with its header), until every part of
// its set is there; a set is the parts of one sender with the same
// concatenation reference, total and message type. The complete message is
// stored in tbinqueue with its parts in sequence order, whatever order they
// came in, and its rows leave tbintemp. A message that is not one of a set
// is stored at once.
//
// A part that comes again is kept once. A different part under a number
// its set already holds means the sender reused the reference for a new
// message: the unfinished set is dropped and the new one begins with it.
// A sender keeps at most kOpenSetsPerSender unfinished sets; the oldest
// gives way to a new one.
#include <QDateTime>
#include <QString>

#include "base/Clock.h"

class Database;
namespace pdu {
struct Deliver;
}

class PartAssembler {
public:
    static constexpr int kOpenSetsPerSender = 8;
    // The most user data one message carries.
    static constexpr int kMaxPartOctets = 140;

    // The clock stamps the parts that wait for the rest of their message.
    explicit PartAssembler(Database& db, const Clock& clock = systemClock());

    struct Outcome {
        // False when the database refused a step: the caller rolls back its
        // transaction, and nothing of this part was kept.
        bool ok = false;
        // The code of the message stored in tbinqueue, or -1 when the part
        // waits for others.
        qint64 code = -1;
    };
    // Keeps one received message or part from sender (as it is stored:
    // area code already removed). Runs inside the caller's transaction.
    // received is when the message arrived; a complete message is stored
    // with it as msgcreated (invalid: now).
    Outcome add(const QString& sender, const pdu::Deliver& message, const QDateTime& received = {});

private:
    qint64 store(const QString& sender, const QString& content, int type, int requestType,
                 const QDateTime& received);

    Database& db_;
    const Clock& clock_;
};
