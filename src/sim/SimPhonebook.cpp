#include "sim/SimPhonebook.h"

#include "modem/AtChannel.h"
#include "base/EngineState.h"
#include "sim/SimListModel.h"

namespace {

const QString kQueryStatus = QStringLiteral("AT+CPBS?\r");
const QString kQueryLimits = QStringLiteral("AT+CPBR=?\r");

// "+CME ERROR: 21" (invalid index) and "22" (not found) are how some
// modems answer a read of an empty location.
bool isEmptyLocation(int cmeError) { return cmeError == 21 || cmeError == 22; }

void say(const SimPhonebook::Feedback& f, const QString& text)
{
    if (f.status)
        f.status(text);
}

void step(const SimPhonebook::Feedback& f, int value, int maximum)
{
    if (f.progress)
        f.progress(value, maximum);
}

SimPhonebook::Outcome outcome(SimPhonebook::Outcome::Kind kind, const QString& message = {})
{
    return SimPhonebook::Outcome{kind, message};
}

} // namespace

SimPhonebook::SimPhonebook(EngineState& state, AtChannel& channel, SimListModel& list)
    : st_(state), channel_(channel), list_(list)
{
}

bool SimPhonebook::send(const QString& command, double timeout)
{
    return channel_.sendATCommand(command, timeout);
}

void SimPhonebook::finish()
{
    // Cancel ends this transfer only; the cycle's next command must wait
    // for its own reply.
    st_.bCancelled = false;
}

void SimPhonebook::cancel()
{
    st_.bCancelled = true;
    if (cancelWait_)
        cancelWait_();
}

void SimPhonebook::invalidate()
{
    current_ = false;
    occupied_.clear();
}

int SimPhonebook::nextFreeIndex(int after) const
{
    int index = qMax(0, after) + 1;
    while (occupied_.contains(index))
        ++index;
    return index;
}

void SimPhonebook::noteWritten(const SimEntry& entry)
{
    if (!list_.update(entry.index, entry.name, entry.number))
        list_.add(entry);
    occupied_.insert(entry.index);
}

void SimPhonebook::noteErased(int index)
{
    list_.removeIndex(index);
    occupied_.remove(index);
}

SimPhonebook::Outcome SimPhonebook::read(const Feedback& feedback)
{
    using Kind = Outcome::Kind;
    const QString readError = QStringLiteral("Error reading SIM Card.");
    st_.bCancelled = false;
    invalidate();
    list_.clear();

    auto result = [this](Outcome o) {
        finish();
        return o;
    };

    // 1. The limits and the index range.
    if (!send(kQueryLimits, kQueryTimeout))
        return result(outcome(Kind::Failed, readError));
    if (st_.bCancelled)
        return result(outcome(Kind::Cancelled));
    const auto limits = simtext::parseLimits(channel_.modemReply());
    st_.iSIMMaxNameLen = limits ? limits->maxName : 0;
    st_.iSIMMaxNumberLen = limits ? limits->maxNumber : 0;

    // 2. Used and total locations. A modem that names the store only is
    // read over the whole index range.
    say(feedback, QStringLiteral("Checking SIM Card..."));
    if (!send(kQueryStatus, kQueryTimeout))
        return result(outcome(Kind::Failed, readError));
    if (st_.bCancelled)
        return result(outcome(Kind::Cancelled));
    int used = 0, total = 0;
    if (const auto status = simtext::parseStatus(channel_.modemReply())) {
        used = status->used;
        total = status->total;
    } else if (limits && limits->last > 0) {
        total = used = limits->last;
    } else {
        return result(outcome(Kind::Failed, readError));
    }

    // 3-4. Location by location until every used one was found.
    say(feedback, QStringLiteral("Reading SIM Card..."));
    step(feedback, 0, total);
    int found = 0;
    for (int i = 1; i <= total && found < used; ++i) {
        if (st_.bCancelled)
            return result(outcome(Kind::Cancelled));
        step(feedback, i, total);
        const bool ok = send(simtext::readCommand(i), kReadTimeout);
        if (st_.bCancelled)
            return result(outcome(Kind::Cancelled));
        if (!ok) {
            if (isEmptyLocation(channel_.lastCmeError()))
                continue;
            return result(outcome(Kind::Failed, readError));
        }
        if (const auto entry = simtext::parseEntry(channel_.modemReply(), i)) {
            list_.add(*entry);
            occupied_.insert(i);
            ++found;
        }
    }
    total_ = total;
    current_ = true;
    return result(outcome(Kind::Done));
}

SimPhonebook::Outcome SimPhonebook::clear(const Feedback& feedback)
{
    using Kind = Outcome::Kind;
    st_.bCancelled = false;
    invalidate();

    auto result = [this](Outcome o) {
        // The list no longer says what the SIM holds; a read fills it again.
        list_.clear();
        finish();
        return o;
    };

    say(feedback, QStringLiteral("Checking SIM Card..."));
    const QString unreadable = QStringLiteral("Unable to read SIM Card.");
    if (!send(kQueryStatus, kQueryTimeout))
        return result(outcome(Kind::Failed, unreadable));
    if (st_.bCancelled)
        return result(outcome(Kind::Cancelled, QStringLiteral("Clearing not complete.")));
    int total = 0;
    if (const auto status = simtext::parseStatus(channel_.modemReply())) {
        total = status->total;
    } else {
        // Without a total nothing would be cleared and success reported:
        // the index range of the phonebook stands in for it.
        if (!send(kQueryLimits, kQueryTimeout))
            return result(outcome(Kind::Failed, unreadable));
        const auto limits = simtext::parseLimits(channel_.modemReply());
        if (!limits || limits->last < 1)
            return result(outcome(Kind::Failed, unreadable));
        total = limits->last;
    }

    step(feedback, 0, total);
    for (int slot = 1; slot <= total; ++slot) {
        if (st_.bCancelled)
            return result(outcome(Kind::Cancelled, QStringLiteral("Clearing not complete.")));
        say(feedback, QStringLiteral("Clearing item %1...").arg(slot));
        step(feedback, slot, total);
        const bool ok = send(simtext::eraseCommand(slot), kWriteTimeout);
        if (st_.bCancelled)
            return result(outcome(Kind::Cancelled, QStringLiteral("Clearing not complete.")));
        if (!ok)
            return result(outcome(Kind::Failed, QStringLiteral("Problem in clearing item no %1.\r\n"
                                                               "Clearing not complete.")
                                                    .arg(slot)));
        list_.removeIndex(slot);
    }
    // Every location was erased: the map is current, and empty.
    total_ = total;
    current_ = true;
    return result(outcome(Kind::Done));
}

SimPhonebook::Outcome SimPhonebook::write(const QList<SimEntry>& entries, const Feedback& feedback)
{
    using Kind = Outcome::Kind;
    st_.bCancelled = false;
    const QString notComplete = QStringLiteral("Writing Not Complete.");
    auto result = [this](Outcome o) {
        finish();
        return o;
    };
    if (!current_)
        return result(outcome(Kind::Refused, notComplete));
    const int n = int(entries.size());
    if (n == 0)
        return result(outcome(Kind::Done));

    // 2. Enough free locations for all of them, or nothing is written.
    say(feedback, QStringLiteral("Checking SIM..."));
    const QString unreadable = QStringLiteral("Unable to read SIM Card");
    if (!send(kQueryStatus, kQueryTimeout))
        return result(outcome(Kind::Failed, unreadable));
    if (st_.bCancelled)
        return result(outcome(Kind::Cancelled, notComplete));
    int used = int(occupied_.size());
    int total = total_;
    if (const auto status = simtext::parseStatus(channel_.modemReply())) {
        used = qMax(status->used, used);
        total = status->total;
    }
    const int free = total - used;
    if (free < n)
        return result(outcome(Kind::Refused, QStringLiteral("Short of %1 SIM Card Memory Slots.").arg(n - free)));

    // 3. The limits.
    if (!send(kQueryLimits, kQueryTimeout))
        return result(outcome(Kind::Failed, unreadable));
    if (st_.bCancelled)
        return result(outcome(Kind::Cancelled, notComplete));
    const auto limits = simtext::parseLimits(channel_.modemReply());
    const int nameLimit = limits ? limits->maxName : st_.iSIMMaxNameLen;
    const int numberLimit = limits ? limits->maxNumber : st_.iSIMMaxNumberLen;
    if (limits) {
        st_.iSIMMaxNameLen = limits->maxName;
        st_.iSIMMaxNumberLen = limits->maxNumber;
    }
    total_ = total;

    // 4. One entry after the other into the next free location.
    int slot = 0;
    for (int i = 1; i <= n; ++i) {
        const SimEntry& e = entries.at(i - 1);
        say(feedback, QStringLiteral("Writing %1 of %2 ").arg(i).arg(n));
        step(feedback, i, n);
        slot = nextFreeIndex(slot);
        if (st_.bCancelled)
            return result(outcome(Kind::Cancelled, notComplete));
        if (slot > total_)
            return result(outcome(Kind::Refused, QStringLiteral("SIM Card is full.")));
        const QString failed = QStringLiteral("Error writing record %1.\r\nWriting not complete.").arg(i);
        const QString number = e.number.trimmed();
        if (!simtext::isValidNumber(number, numberLimit))
            return result(outcome(Kind::Failed, failed));
        const QString name = simtext::safeName(e.name, nameLimit);
        const bool ok = send(simtext::writeCommand(slot, number, name), kWriteTimeout);
        if (st_.bCancelled || !ok) {
            // Whether the location was written is not known: the next
            // placement reads the SIM again.
            invalidate();
            if (st_.bCancelled)
                return result(outcome(Kind::Cancelled, notComplete));
            return result(outcome(Kind::Failed, failed));
        }
        list_.add({slot, name, number});
        occupied_.insert(slot);
    }
    return result(outcome(Kind::Done));
}
