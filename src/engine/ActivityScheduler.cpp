#include "engine/ActivityScheduler.h"

#include "modem/AtChannel.h"
#include "base/Database.h"
#include "base/UserPrompt.h"

#include <QRegularExpression>

namespace {
// The number at the start of a text, after blanks: "5," reads as 5, "x" as 0.
int leadingNumber(const QString& text)
{
    int i = 0, n = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    while (i < text.size() && text.at(i).isDigit() && n < 100000)
        n = n * 10 + text.at(i++).digitValue();
    return n;
}
} // namespace

ActivityScheduler::ActivityScheduler(EngineState& state, Database& db, UserPrompt& prompt, const Clock& clock,
                                     QObject* parent)
    : QObject(parent), st_(state), db_(db), prompt_(prompt), clock_(clock)
{
    timer_.setSingleShot(true);
    timer_.setInterval(100);
    connect(&timer_, &QTimer::timeout, this, &ActivityScheduler::tick);
}

void ActivityScheduler::start() { timer_.start(); }

void ActivityScheduler::stop() { timer_.stop(); }

void ActivityScheduler::tick()
{
    timer_.stop();
    if (st_.bClosePending) {
        emit closeRequested();
        return;
    }
    st_.bActivityBusy = true;
    runActivities();
    st_.bActivityBusy = false;
    // A close asked for during the cycle is carried out by the next tick.
    timer_.start();
}

void ActivityScheduler::runActivities()
{
    // 1. Acknowledge a received message (the link does so before every
    // command too; this serves one that came while nothing is sent).
    if (channel_)
        acknowledgePendingCMT(st_, *channel_);

    // The start-up steps below close and open the port themselves; a port
    // lost meanwhile is theirs to deal with.
    struct StartUp {
        bool& flag;
        explicit StartUp(bool& f) : flag(f) { flag = true; }
        ~StartUp() { flag = false; }
    };

    // 2. Detection.
    if (st_.bDetectModemRequest) {
        const StartUp busy(inStartUp_);
        if (!st_.bOutboxPaused) {
            pauseOutbox();
            st_.bModemConnected = false;
        }
        notConnectedShown_ = false;
        if (steps_.detectModem)
            steps_.detectModem();
        st_.bDetectModemRequest = false;
    }

    // 3. Start-up.
    if (st_.bInitModemRequest) {
        st_.bInitModemRequest = false;
        notConnectedShown_ = false;
        {
            const StartUp busy(inStartUp_);
            startModem();
        }
        if (!st_.bModemConnected) {
            showNotConnected();
            return;
        }
        reconnecting_ = false;
        updateSignal();
    }

    // A modem lost without the operator asking comes back by itself.
    if (reconnecting_ && !st_.bModemConnected && !st_.bDetectModemRequest &&
        (!sinceReconnectTry_.isValid() || sinceReconnectTry_.elapsed() >= reconnectIntervalMs_)) {
        {
            const StartUp busy(inStartUp_);
            tryReconnect();
        }
        if (!st_.bModemConnected)
            return;
        updateSignal();
    }

    // 4. Everything below needs a connected modem.
    if (!st_.bModemConnected) {
        showNotConnected();
        return;
    }

    // 5. SIM phonebook requests.
    serveSimRequests();

    // 6. Received messages.
    if (st_.bInboxProcessRequest) {
        st_.bInboxProcessRequest = false;
        if (steps_.processGroupSend)
            steps_.processGroupSend();
        if (st_.sAutoFwdGroup != QLatin1String("None") && steps_.processAutoForward)
            steps_.processAutoForward();
        if (steps_.processUnreadCount)
            steps_.processUnreadCount();
        if (steps_.processRemoteRetrieve)
            steps_.processRemoteRetrieve();
        if (st_.iAutoRespond == 1 && steps_.processAutoRespond)
            steps_.processAutoRespond();
    }

    // 7. Hand-in by another program.
    if (steps_.readOutboxFlag) {
        st_.sngOutboxFlag = steps_.readOutboxFlag();
        // The import lowers the flag before it has taken every row: rows a
        // run left behind when it stopped are taken at the first connected
        // cycle, whatever the flag holds.
        const bool leftBehind = !handInSwept_;
        handInSwept_ = true;
        if ((st_.sngOutboxFlag == 1.0f || leftBehind) && steps_.importOutTemp)
            steps_.importOutTemp();
    }

    // 8. Sending.
    if (!st_.bOutboxPaused &&
        (st_.bOutboxChanged || !st_.dtNextOutboxDue.isValid() ||
         st_.dtNextOutboxDue < clock_.now())) {
        if (st_.sngSendCount > 10) {
            st_.sngSendCount = 1;
            st_.bOutboxChanged = false;
            refreshNextOutboxDue();
        } else if (steps_.sendNextOutbox) {
            steps_.sendNextOutbox();
        }
    }

    // 9. Polls.
    if (++st_.iSignalPollTicks > 100) {
        st_.iSignalPollTicks = 0;
        updateSignal();
    }
    if (++st_.iRoutingPollTicks > 50) {
        st_.iRoutingPollTicks = 0;
        checkNewMsgRouting();
    }
}

void ActivityScheduler::startModem()
{
    st_.bModemConnected = false;
    if (!st_.bOutboxPaused)
        pauseOutbox();
    if (st_.bResetModemRequest) {
        st_.bResetModemRequest = false;
        st_.bModemInitOK = false;
        if (steps_.resetModem)
            steps_.resetModem();
        if (!st_.bModemInitOK)
            return;
    }
    st_.bModemInitOK = false;
    if (steps_.initialiseModem)
        steps_.initialiseModem();
    if (!st_.bModemInitOK)
        return;
    st_.bSIMReady = false;
    if (steps_.detectSim)
        steps_.detectSim();
    if (st_.bSIMReady) {
        emit statusText(QString()); // the set-up's "Detecting SIM Card..." is over
        st_.bModemConnected = true;
        activateOutbox(); // paused, connected: activates
        st_.sngSendCount = 1;
        st_.bOutboxChanged = true;
        st_.bInboxProcessRequest = true;
    } else {
        prompt_.error(QStringLiteral("Unable to detect SIM Card."));
    }
}

bool ActivityScheduler::refreshNextOutboxDue()
{
    const Recordset rs =
        db_.query(QStringLiteral("SELECT msgout FROM tboutqueue ORDER BY msgout, msgcode LIMIT 1"));
    if (!rs.ok()) {
        st_.dtNextOutboxDue = clock_.now().addDays(1);
        return false;
    }
    QDateTime due;
    if (!rs.isEmpty())
        due = dbtime::fromDb(rs.value(0, 0));
    st_.dtNextOutboxDue = due.isValid() ? due : clock_.now().addDays(1);
    return true;
}

void ActivityScheduler::updateSignal()
{
    if (!channel_)
        return;
    st_.bCancelled = false;
    if (!channel_->sendATCommand(QStringLiteral("AT+CSQ=?\r"), 4))
        return;
    QString reply = channel_->modemReply();
    const int dash = reply.indexOf(QLatin1Char('-'));
    int maximum = dash >= 0 ? leadingNumber(reply.mid(dash + 1, 2)) : 0;
    if (maximum < 1)
        maximum = 1;
    emit signalRangeChanged(maximum);
    if (!channel_->sendATCommand(QStringLiteral("AT+CSQ\r"), 4))
        return;
    reply = channel_->modemReply();
    const QString field = reply.section(QLatin1Char(','), 0, 0);
    int value = leadingNumber(field.right(2));
    if (value == 99) // "not known or not detectable": no bars, not full ones
        value = 0;
    emit signalValueChanged(qMin(value, maximum));
}

void ActivityScheduler::checkNewMsgRouting()
{
    if (!channel_)
        return;
    if (!channel_->sendATCommand(QStringLiteral("AT+CNMI?\r"), 8))
        return;
    const QString reply = channel_->modemReply();
    const int at = reply.indexOf(QLatin1String("+CNMI:"));
    if (at >= 0 && reply.mid(at + 9, 1) == QLatin1String("2"))
        return;
    channel_->sendATCommand(QStringLiteral("AT+CNMI=,2\r"), 4);
}

void ActivityScheduler::pauseOutbox()
{
    st_.bOutboxPaused = true;
    emit outboxPausedChanged(true);
}

void ActivityScheduler::activateOutbox()
{
    if (!st_.bOutboxPaused) {
        pauseOutbox();
        return;
    }
    if (st_.bModemConnected) {
        st_.bOutboxPaused = false;
        emit outboxPausedChanged(false);
        return;
    }
    if (prompt_.show(UserPrompt::Icon::Question, QStringLiteral("Note"),
                                    QStringLiteral("Connection to modem failed.\r\nDo you wish to Reset Modem instead?"),
                                    UserPrompt::Buttons::YesNo) == UserPrompt::Answer::Yes)
        requestResetModem();
}

void ActivityScheduler::requestDetectModem() { st_.bDetectModemRequest = true; }

void ActivityScheduler::modemPortLost()
{
    if (inStartUp_ || (!st_.bModemConnected && !reconnecting_))
        return;
    st_.bModemConnected = false;
    if (!reconnecting_) {
        reconnecting_ = true;
        // The device usually needs a moment before it can be opened again.
        sinceReconnectTry_.start();
    }
    emit statusText(disconnectedText());
}

void ActivityScheduler::showNotConnected()
{
    // While a lost modem is being brought back the status bar says that.
    if (reconnecting_ || notConnectedShown_ || st_.bInitModemRequest || st_.bDetectModemRequest)
        return;
    notConnectedShown_ = true;
    emit statusText(notConnectedText());
}

void ActivityScheduler::tryReconnect()
{
    sinceReconnectTry_.start();
    emit statusText(disconnectedText());
    if (!steps_.reconnectModem)
        return;
    switch (steps_.reconnectModem()) {
    case Reconnect::Connected:
        reconnecting_ = false;
        st_.bModemConnected = true;
        emit statusText(QString());
        // The Outbox stays as the operator left it; what was queued
        // meanwhile goes now, and what arrived is served.
        st_.sngSendCount = 1;
        st_.bOutboxChanged = true;
        st_.bInboxProcessRequest = true;
        break;
    case Reconnect::NeedsOperator:
        // The modem answers but its SIM wants a code: the ordinary start-up
        // asks for it.
        reconnecting_ = false;
        st_.bInitModemRequest = true;
        break;
    case Reconnect::NotYet:
        break;
    }
}

void ActivityScheduler::requestResetModem()
{
    st_.bResetModemRequest = true;
    st_.bInitModemRequest = true;
}

bool ActivityScheduler::writeSimEntry(int index)
{
    // A quote would end the field early and a line break would start a second
    // command, so the name loses them; the number keeps its dialling
    // characters only.
    QString name = st_.sSIMRecName;
    name.remove(QRegularExpression(QStringLiteral("[\r\n\"\x1a]")));
    QString number = st_.sSIMRecNumber;
    number.remove(QRegularExpression(QStringLiteral("[^+0-9*#]")));
    return channel_->sendATCommand(
        QStringLiteral("AT+CPBW=%1,\"%2\",,\"%3\"\r").arg(index).arg(number, name), 8);
}

void ActivityScheduler::serveSimRequests()
{
    if (st_.bSIMReadRequest) {
        emit simListChanged();
        if (steps_.simRead)
            steps_.simRead();
        st_.bSIMReadRequest = false;
    }
    if (st_.bSIMClearRequest) {
        if (prompt_.show(UserPrompt::Icon::Question, QStringLiteral("Clear SIM Card"),
                                        QStringLiteral("Confirm Clear SIM Card?"),
                                        UserPrompt::Buttons::YesNoDefaultNo) == UserPrompt::Answer::Yes) {
            if (steps_.simClear)
                steps_.simClear();
            emit simListChanged();
            if (steps_.simRead)
                steps_.simRead();
        }
        st_.bSIMClearRequest = false;
    }
    if (st_.bSIMEditRequest) {
        if (channel_ && writeSimEntry(st_.iSIMRecIndex))
            emit simEntryUpdated(st_.iSIMRecIndex, st_.sSIMRecName, st_.sSIMRecNumber);
        else
            prompt_.error(QStringLiteral("Error updating record to SIM Card."));
        st_.bSIMEditRequest = false;
    }
    if (st_.bSIMAddRequest) {
        if (steps_.nextFreeSimIndex)
            st_.iSIMRecIndex = steps_.nextFreeSimIndex();
        if (st_.iSIMRecIndex < 0) {
            // No free location, and the step has said so.
        } else if (st_.iSIMRecIndex > 0 && channel_ && writeSimEntry(st_.iSIMRecIndex)) {
            emit simEntryAdded(st_.iSIMRecIndex, st_.sSIMRecName, st_.sSIMRecNumber);
            emit simListChanged();
        } else {
            prompt_.error(QStringLiteral("Error adding record to SIM Card."));
        }
        st_.bSIMAddRequest = false;
    }
    if (st_.bSIMDeleteRequest) {
        if (prompt_.show(
                UserPrompt::Icon::Question, QStringLiteral("Delete Selected"),
                QStringLiteral("Confirm delete selected items?\r\nDeleted items will be erased from the SIM Card."),
                UserPrompt::Buttons::YesNoDefaultNo) == UserPrompt::Answer::Yes &&
            channel_) {
            QList<int> indices = steps_.selectedSimIndices ? steps_.selectedSimIndices() : QList<int>();
            for (auto it = indices.crbegin(); it != indices.crend(); ++it) {
                emit statusText(QStringLiteral("Deleting record %1...").arg(*it));
                if (channel_->sendATCommand(QStringLiteral("AT+CPBW=%1\r").arg(*it), 8))
                    emit simEntryRemoved(*it);
            }
            emit simListChanged();
        }
        st_.bSIMDeleteRequest = false;
    }
    if (st_.bSIMExportRequest) {
        if (steps_.simExport)
            steps_.simExport();
        st_.bSIMExportRequest = false;
    }
}
