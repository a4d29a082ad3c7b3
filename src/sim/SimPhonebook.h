#pragma once
// The SIM phonebook's transfers over the modem (read every used location,
// clear every location, write address-book entries into free locations),
// the rows of the SIM list they fill, and the map of occupied locations
// that new entries are placed by.
//
// Only a complete read (or a complete clear) makes the map current; a
// cancelled or failed read, a failed write and a new SIM set-up make it
// stale, and adding or exporting then reads the SIM first. The list may
// show a partial read; free locations are never taken from it.
//
// The transfers run inside the progress forms that the activity cycle
// opens. Each clears bCancelled when it starts and again when it ends (a
// cancel must not reach the cycle's next command), acknowledges a pending
// "+CMT: " before each command, and reports what went wrong in its
// outcome; the form decides what the user sees.
#include <QSet>
#include <QString>
#include <functional>

#include "sim/SimText.h"

class AtChannel;
class SimListModel;
struct EngineState;

class SimPhonebook {
public:
    SimPhonebook(EngineState& state, AtChannel& channel, SimListModel& list);

    // Where a transfer reports its progress (each may be empty).
    struct Feedback {
        std::function<void(const QString&)> status;          // the form's label
        std::function<void(int value, int maximum)> progress;
    };

    struct Outcome {
        enum class Kind { Done, Cancelled, Failed, Refused };
        Kind kind = Kind::Done;
        QString message;   // what the user is to be told; empty for nothing
        bool done() const { return kind == Kind::Done; }
    };

    // Reads every used location into the list (cleared first) and sets the
    // name and number limits. Failed: "Error reading SIM Card.".
    Outcome read(const Feedback& feedback = {});
    // Erases every location, then clears the list.
    Outcome clear(const Feedback& feedback = {});
    // Writes the entries (name, number; their index is ignored) into free
    // locations, in order, and adds each written one to the list. Refused
    // without a current map; see isCurrent().
    Outcome write(const QList<SimEntry>& entries, const Feedback& feedback = {});

    // Cancel on a progress form: sets bCancelled and ends the wait in hand.
    void cancel();
    void setCancelWait(std::function<void()> cancelWait) { cancelWait_ = std::move(cancelWait); }

    // The map of occupied locations.
    bool isCurrent() const { return current_; }
    int total() const { return total_; }
    bool isOccupied(int index) const { return occupied_.contains(index); }
    void invalidate();
    // The first location after `after` that the map does not hold (may lie
    // beyond total()).
    int nextFreeIndex(int after) const;

    // A location the cycle wrote (edit or add) or erased (delete): the list
    // and the map follow.
    void noteWritten(const SimEntry& entry);
    void noteErased(int index);

    SimListModel& list() { return list_; }
    EngineState& state() { return st_; }

    // The command timeouts, in seconds.
    static constexpr double kQueryTimeout = 8;
    static constexpr double kReadTimeout = 4;
    static constexpr double kWriteTimeout = 8;

private:
    bool send(const QString& command, double timeout);
    void finish();

    EngineState& st_;
    AtChannel& channel_;
    SimListModel& list_;
    std::function<void()> cancelWait_;
    QSet<int> occupied_;
    int total_ = 0;
    bool current_ = false;
};
