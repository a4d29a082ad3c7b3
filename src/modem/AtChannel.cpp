#include "modem/AtChannel.h"

#include "base/EngineState.h"

AtExpect expectFor(const QString& command)
{
    if (command.endsWith(QChar(0x1A)))
        return AtExpect::Submit;
    // "AT+CMGS=?" is the test form, answered with "OK".
    static const QLatin1String cmgs("AT+CMGS=");
    if (command.startsWith(cmgs, Qt::CaseInsensitive) && command.size() > cmgs.size() &&
        command.at(cmgs.size()).isDigit())
        return AtExpect::Prompt;
    return AtExpect::Final;
}

AtResult AtChannel::exchange(const QString& command, double timeoutSec, const std::function<void()>& written)
{
    AtResult r;
    if (written)
        written();
    const bool ok = sendATCommand(command, timeoutSec);
    r.written = true;
    r.success = ok;
    r.reply = modemReply();
    if (ok) {
        r.kind = expectFor(command) == AtExpect::Prompt ? AtResult::Kind::Prompt : AtResult::Kind::Ok;
    } else if (!isOpen()) {
        r.kind = AtResult::Kind::PortLost;
    } else {
        r.kind = AtResult::Kind::Error;
        if (const int cms = lastCmsError(); cms != 0) {
            r.code = cms;
            r.errorKind = AtResult::ErrorKind::Cms;
        } else if (const int cme = lastCmeError(); cme != 0) {
            r.code = cme;
            r.errorKind = AtResult::ErrorKind::Cme;
        }
    }
    return r;
}

bool acknowledgesFirst(const QString& command)
{
    return command.startsWith(QLatin1String("AT"), Qt::CaseInsensitive) &&
           !command.startsWith(QLatin1String("AT+CNMA"), Qt::CaseInsensitive) && expectFor(command) != AtExpect::Submit;
}

void acknowledgePendingCMT(ModemState& st, AtChannel& channel)
{
    if (!st.bGotCMT)
        return;
    // Cleared before the command: a modem that holds its next indication
    // until this one is acknowledged sends it right behind the OK, and
    // reception raises the flag again for it (once kept) during this very
    // wait.
    st.bGotCMT = false;
    const AtResult r = channel.exchange(QStringLiteral("AT+CNMA\r"), 2);
    if (r.success) {
        st.iGotCMTFailures = 0;
        return;
    }
    // 340: no acknowledgement expected any more; asking again cannot help.
    const bool nothingToAcknowledge =
        r.kind == AtResult::Kind::Error && r.errorKind == AtResult::ErrorKind::Cms && r.code == 340;
    if (nothingToAcknowledge || ++st.iGotCMTFailures >= 3) {
        st.iGotCMTFailures = 0;
        return;
    }
    st.bGotCMT = true;
}
