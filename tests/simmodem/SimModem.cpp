#include "simmodem/SimModem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

const QString SimModem::kPduInput = QStringLiteral("<PDU>");

namespace {

constexpr char kCtrlZ = 0x1A;
constexpr char kEscape = 0x1B;
constexpr int kMaxLine = 1024;
constexpr int kMaxBody = 4096;

enum Kind { Action = 0, Query = 1, Test = 2, Set = 3 };

// Parameters of an extended command: comma separated, strings in double
// quotes. A quote inside a string (a quote not followed by a comma or the
// end) makes the list malformed.
bool parseArgs(const QString& text, QStringList& args, QList<bool>& quoted)
{
    int i = 0;
    const int n = text.size();
    while (true) {
        while (i < n && text.at(i) == QLatin1Char(' '))
            ++i;
        if (i < n && text.at(i) == QLatin1Char('"')) {
            const int close = text.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0)
                return false;
            args.append(text.mid(i + 1, close - i - 1));
            quoted.append(true);
            i = close + 1;
            while (i < n && text.at(i) == QLatin1Char(' '))
                ++i;
            if (i < n && text.at(i) != QLatin1Char(','))
                return false;
        } else {
            int end = text.indexOf(QLatin1Char(','), i);
            if (end < 0)
                end = n;
            const QString v = text.mid(i, end - i).trimmed();
            if (v.contains(QLatin1Char('"')))
                return false;
            args.append(v);
            quoted.append(false);
            i = end;
        }
        if (i >= n)
            return true;
        ++i;   // the comma
    }
}

bool toInt(const QString& s, int& v)
{
    bool ok = false;
    v = s.toInt(&ok);
    return ok;
}

bool isPinCode(const QString& s)
{
    if (s.size() < 4 || s.size() > 8)
        return false;
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

SimModem::SimModem(QObject* parent) : QObject(parent)
{
    clock_.start();
    pumpTimer_.setSingleShot(true);
    pumpTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pumpTimer_, &QTimer::timeout, this, &SimModem::pump);
    restartTimer_.setSingleShot(true);
    restartTimer_.setTimerType(Qt::PreciseTimer);
    connect(&restartTimer_, &QTimer::timeout, this, &SimModem::finishRestart);
    ackTimer_.setInterval(50);
    connect(&ackTimer_, &QTimer::timeout, this, &SimModem::checkAckTimers);
}

SimModem::~SimModem()
{
    unplug();
}

void SimModem::unplug()
{
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    pumpTimer_.stop();
    out_.clear();
    if (!linkPath_.isEmpty() && QFileInfo(linkPath_).isSymLink()
        && QFile::symLinkTarget(linkPath_) == slavePath_)
        QFile::remove(linkPath_);
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
    if (!linkPath_.isEmpty())
        lastLinkPath_ = linkPath_;
    linkPath_.clear();
    line_.clear();
    inBody_ = false;
    body_.clear();
}

// ---- The port ------------------------------------------------------------------

bool SimModem::replug()
{
    if (lastLinkPath_.isEmpty() || master_ >= 0)
        return false;
    if (!start(lastLinkPath_))
        return false;
    powerUp();
    return true;
}

void SimModem::unplugFor(int ms)
{
    unplug();
    QTimer::singleShot(qMax(0, ms), this, [this] { replug(); });
}

void SimModem::unplugSoon()
{
    // Not from inside the read handler that is still using the pty.
    QTimer::singleShot(0, this, [this] { unplug(); });
}

bool SimModem::start(const QString& linkPath)
{
    if (master_ >= 0) {
        error_ = QStringLiteral("already started");
        return false;
    }
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error_ = QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
        return false;
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error_ = QStringLiteral("ptsname failed");
        ::close(master_);
        master_ = -1;
        return false;
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    slavePath_ = QString::fromLocal8Bit(name);
    // Holding the slave open keeps the master from reading EIO while the
    // program under test has the port closed.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error_ = QStringLiteral("cannot open %1").arg(slavePath_);
        ::close(master_);
        master_ = -1;
        return false;
    }
    termios t{};
    ::tcgetattr(slave_, &t);
    ::cfmakeraw(&t);
    ::cfsetspeed(&t, B9600);
    ::tcsetattr(slave_, TCSANOW, &t);

    if (!linkPath.isEmpty()) {
        const QFileInfo info(linkPath);
        if (info.isSymLink())
            QFile::remove(linkPath);
        else if (info.exists()) {
            error_ = QStringLiteral("%1 exists and is not a symlink").arg(linkPath);
            unplug();
            return false;
        }
        QDir().mkpath(info.absolutePath());
        if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0) {
            error_ = QStringLiteral("cannot link %1: %2").arg(linkPath, QString::fromLocal8Bit(std::strerror(errno)));
            unplug();
            return false;
        }
        linkPath_ = linkPath;
    }

    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read);
    connect(readNotifier_, &QSocketNotifier::activated, this, &SimModem::onReadable);
    writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &SimModem::onWritable);
    return true;
}

void SimModem::discardUnread()
{
    if (slave_ >= 0)
        ::tcflush(slave_, TCIFLUSH);
}

void SimModem::onReadable()
{
    char buf[4096];
    while (true) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            handleInput(QByteArray(buf, static_cast<int>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return;   // EAGAIN, or nothing more
    }
}

void SimModem::onWritable()
{
    writeNotifier_->setEnabled(false);
    pump();
}

// ---- Settings ------------------------------------------------------------------

void SimModem::setMaker(const QString& maker) { maker_ = maker; }
void SimModem::setModel(const QString& model) { model_ = model; }
void SimModem::setSilent(bool silent) { silent_ = silent; }
void SimModem::setRestartMs(int ms) { restartMs_ = qMax(0, ms); }

void SimModem::setSavedProfile(const Profile& profile)
{
    saved_ = profile;
    current_ = saved_;
}

void SimModem::setPin(const QString& pin)
{
    pin_ = pin;
    pinTries_ = 3;
    simState_ = pin.isEmpty() ? SimState::Ready : SimState::Pin;
}

void SimModem::setPuk(const QString& puk) { puk_ = puk; }
void SimModem::setSimState(SimState state) { simState_ = state; }

void SimModem::setSignalQuality(int rssi, int ber)
{
    rssi_ = rssi;
    ber_ = ber;
}

void SimModem::setPhonebookSize(int count) { pbSize_ = qMax(1, count); }

void SimModem::setPhonebookLimits(int maxNumber, int maxText)
{
    pbMaxNumber_ = maxNumber;
    pbMaxText_ = maxText;
}

void SimModem::setPhonebookEntry(int index, const QString& number, const QString& text)
{
    PhonebookEntry e;
    e.number = number;
    e.type = number.startsWith(QLatin1Char('+')) ? 145 : 129;
    e.text = text;
    phonebook_.insert(index, e);
}

std::optional<SimModem::PhonebookEntry> SimModem::phonebookEntry(int index) const
{
    const auto it = phonebook_.find(index);
    if (it == phonebook_.end())
        return std::nullopt;
    return *it;
}

void SimModem::setReplyDelay(int ms) { replyDelayMs_ = qMax(0, ms); }

void SimModem::setReplySplit(const QList<int>& offsets, int gapMs)
{
    splitOffsets_ = offsets;
    std::sort(splitOffsets_.begin(), splitOffsets_.end());
    byteByByte_ = false;
    chunkGapMs_ = qMax(0, gapMs);
}

void SimModem::setReplyByteByByte(int gapMs)
{
    splitOffsets_.clear();
    byteByByte_ = true;
    chunkGapMs_ = qMax(0, gapMs);
}

void SimModem::setReplyWhole()
{
    splitOffsets_.clear();
    byteByByte_ = false;
    chunkGapMs_ = 0;
}

void SimModem::addFault(const QString& commandPrefix, int nth, const Fault& fault, int times)
{
    FaultRule rule;
    rule.prefix = commandPrefix;
    rule.first = qMax(1, nth);
    rule.last = rule.first + qMax(1, times) - 1;
    rule.fault = fault;
    faults_.append(rule);
}

const SimModem::Fault* SimModem::matchFault(const QString& line)
{
    const Fault* hit = nullptr;
    for (FaultRule& rule : faults_) {
        if (!line.startsWith(rule.prefix, Qt::CaseInsensitive))
            continue;
        ++rule.seen;
        if (!hit && rule.seen >= rule.first && rule.seen <= rule.last)
            hit = &rule.fault;
    }
    return hit;
}

// ---- Records ---------------------------------------------------------------------

int SimModem::unacknowledgedCount() const
{
    return static_cast<int>(std::count_if(deliveries_.begin(), deliveries_.end(),
        [](const Delivery& d) { return d.deliveredMs >= 0 && d.ackedMs < 0; }));
}

QList<tpdu::Submit> SimModem::sentMessages() const
{
    QList<tpdu::Submit> out;
    for (const SubmitRecord& r : submits_)
        if (r.accepted && r.decoded)
            out.append(*r.decoded);
    return out;
}

int SimModem::commandCount(const QString& prefix) const
{
    return static_cast<int>(std::count_if(commands_.begin(), commands_.end(),
        [&prefix](const QString& c) { return c.startsWith(prefix, Qt::CaseInsensitive); }));
}

QByteArray SimModem::receivedBytes() const
{
    QByteArray out;
    for (const LogEntry& e : log_)
        if (e.fromApp)
            out += e.bytes;
    return out;
}

QByteArray SimModem::sentBytes() const
{
    QByteArray out;
    for (const LogEntry& e : log_)
        if (!e.fromApp)
            out += e.bytes;
    return out;
}

void SimModem::clearRecords()
{
    commands_.clear();
    submits_.clear();
    log_.clear();
}

void SimModem::appendLog(bool fromApp, const QByteArray& bytes)
{
    log_.append({clock_.elapsed(), fromApp, bytes});
    if (fromApp)
        emit bytesReceived(bytes);
    else
        emit bytesSent(bytes);
}

// ---- Output ------------------------------------------------------------------------

void SimModem::enqueue(Segment seg)
{
    out_.push_back(std::move(seg));
    pump();
}

void SimModem::enqueueUrgent(Segment seg)
{
    seg.urgent = true;
    size_t idx = 0;
    if (!out_.empty() && out_.front().started)
        idx = 1;
    while (idx < out_.size() && out_[idx].urgent)
        ++idx;
    out_.insert(out_.begin() + static_cast<std::ptrdiff_t>(idx), std::move(seg));
    pump();
}

void SimModem::pump()
{
    if (master_ < 0 || pumpDepth_ > 0)
        return;   // the outer call goes on with what was queued meanwhile
    ++pumpDepth_;
    while (!out_.empty()) {
        Segment& s = out_.front();
        const qint64 now = clock_.elapsed();
        if (!s.started) {
            const qint64 due = std::max(s.notBeforeMs, lastFinishMs_ + s.gapMs);
            if (due > now) {
                pumpTimer_.start(static_cast<int>(due - now));
                break;
            }
        }
        const ssize_t n = ::write(master_, s.bytes.constData(), static_cast<size_t>(s.bytes.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                writeNotifier_->setEnabled(true);
                break;
            }
            out_.pop_front();   // the line is gone; nothing can be written
            continue;
        }
        const QByteArray written = s.bytes.left(static_cast<int>(n));
        if (n < s.bytes.size()) {
            s.bytes.remove(0, static_cast<int>(n));
            s.started = true;
            writeNotifier_->setEnabled(true);
            --pumpDepth_;
            appendLog(false, written);
            return;
        }
        const QList<int> marks = s.cmtMarks;
        out_.pop_front();
        lastFinishMs_ = clock_.elapsed();
        for (int i : marks)
            if (i < deliveries_.size())
                deliveries_[i].deliveredMs = lastFinishMs_;
        appendLog(false, written);
    }
    --pumpDepth_;
}

void SimModem::reply(QByteArray bytes, int extraDelayMs)
{
    // The final result is the last line of a reply; injections asked for
    // "before the final result" go just in front of it.
    int finalStart = static_cast<int>(bytes.size());
    if (bytes.endsWith("\r\n")) {
        const int prev = bytes.lastIndexOf("\r\n", bytes.size() - 3);
        if (prev >= 0)
            finalStart = prev;
    } else if (bytes.endsWith('\r') && !verbose_) {
        const int prev = bytes.lastIndexOf('\n', bytes.size() - 2);
        finalStart = prev >= 0 ? prev + 1 : 0;
    }
    QList<QPair<int, int>> marks;   // byte offset, delivery index
    for (const PendingInjection& inj : std::as_const(nextReplyInjections_)) {
        const int at = inj.offset < 0 ? finalStart : qMin(inj.offset, static_cast<int>(bytes.size()));
        bytes.insert(at, inj.bytes);
        if (at <= finalStart)
            finalStart += static_cast<int>(inj.bytes.size());
        for (auto& m : marks)
            if (m.first >= at)
                m.first += static_cast<int>(inj.bytes.size());
        if (inj.delivery >= 0)
            marks.append({at, inj.delivery});
    }
    nextReplyInjections_.clear();
    if (bytes.isEmpty())
        return;

    QList<int> cuts;
    if (byteByByte_) {
        for (int i = 1; i < bytes.size(); ++i)
            cuts.append(i);
    } else {
        for (int c : std::as_const(splitOffsets_))
            if (c > 0 && c < bytes.size() && (cuts.isEmpty() || cuts.last() != c))
                cuts.append(c);
    }
    cuts.append(static_cast<int>(bytes.size()));
    int from = 0;
    bool first = true;
    for (int to : std::as_const(cuts)) {
        Segment seg;
        seg.bytes = bytes.mid(from, to - from);
        if (first) {
            seg.notBeforeMs = clock_.elapsed() + replyDelayMs_ + extraDelayMs;
        } else {
            seg.gapMs = chunkGapMs_;
        }
        for (const auto& m : std::as_const(marks))
            if (m.first >= from && (m.first < to || (to == bytes.size() && m.first == to)))
                seg.cmtMarks.append(m.second);
        enqueue(seg);
        from = to;
        first = false;
    }
}

// ---- Injection -------------------------------------------------------------------------

QByteArray SimModem::cmtBytes(const QString& pduHex, const QString& alpha)
{
    return "\r\n+CMT: " + alpha.toLatin1() + ',' + QByteArray::number(tpdu::tpduLengthOf(pduHex)) + "\r\n"
        + pduHex.toLatin1() + "\r\n";
}

QString SimModem::samplePdu(int n, const QDateTime& at)
{
    static const char* const texts[kSampleTexts] = {
        "Hello from the simulated modem",
        "Meeting moved to 15:30, room 2",
        "Your parcel is on its way",
        "Call me when you get this",
    };
    tpdu::DeliverSpec s;
    s.sender = QStringLiteral("+447700900555");
    s.text = QString::fromLatin1(texts[n % kSampleTexts]);
    s.scts = at;
    return tpdu::buildDeliver(s).value_or(QString());
}

void SimModem::injectRaw(const QByteArray& bytes)
{
    Segment seg;
    seg.bytes = bytes;
    enqueueUrgent(seg);
}

void SimModem::injectCmt(const QString& pduHex, const QString& alpha)
{
    Delivery d;
    d.pdu = pduHex;
    deliveries_.append(d);
    const int idx = static_cast<int>(deliveries_.size()) - 1;
    const bool waiting = std::any_of(deliveries_.begin(), deliveries_.end() - 1,
        [](const Delivery& x) { return x.ackedMs < 0 && !x.lost; });
    if (lineDown_ || (holdCmt_ && (waiting || !heldCmts_.isEmpty()))) {
        heldCmts_.append(idx);
        return;
    }
    Segment seg;
    seg.bytes = cmtLeadIn_ + cmtBytes(pduHex, alpha).mid(2);
    seg.cmtMarks.append(idx);
    enqueueUrgent(seg);
}

void SimModem::deliverNextHeldCmt()
{
    if (heldCmts_.isEmpty() || lineDown_)
        return;
    const int idx = heldCmts_.takeFirst();
    Segment seg;
    seg.bytes = cmtLeadIn_ + cmtBytes(deliveries_[idx].pdu).mid(2);
    seg.cmtMarks.append(idx);
    enqueue(seg);   // after the "OK" of the acknowledgement
}

bool SimModem::awaitingAck() const
{
    return std::any_of(deliveries_.begin(), deliveries_.end(),
        [](const Delivery& d) { return d.deliveredMs >= 0 && d.ackedMs < 0 && !d.lost; });
}

void SimModem::giveBack(int index)
{
    deliveries_[index].lost = true;
    Delivery again;
    again.pdu = deliveries_[index].pdu;
    again.redeliveryOf = deliveries_[index].redeliveryOf >= 0 ? deliveries_[index].redeliveryOf : index;
    deliveries_.append(again);
    // The network tries the same message again before the ones behind it.
    heldCmts_.prepend(static_cast<int>(deliveries_.size()) - 1);
}

void SimModem::checkAckTimers()
{
    const qint64 now = clock_.elapsed();
    bool gaveBack = false;
    for (int i = 0; i < deliveries_.size(); ++i) {
        const Delivery& d = deliveries_[i];
        if (d.deliveredMs >= 0 && d.ackedMs < 0 && !d.lost && now - d.deliveredMs >= redeliverMs_) {
            giveBack(i);
            gaveBack = true;
        }
    }
    if (gaveBack && !awaitingAck())
        deliverNextHeldCmt();
}

void SimModem::setRedeliverUnackedAfter(int ms)
{
    redeliverMs_ = ms;
    if (ms > 0)
        ackTimer_.start();
    else
        ackTimer_.stop();
}

void SimModem::hangUp()
{
    if (master_ >= 0)
        onReadable();
    line_.clear();
    inBody_ = false;
    body_.clear();
    lastWasCr_ = false;
    // Indications still waiting to be written are held back again.
    QList<int> unwritten;
    for (const Segment& seg : out_)
        for (int i : seg.cmtMarks)
            if (i < deliveries_.size() && deliveries_[i].deliveredMs < 0)
                unwritten.append(i);
    heldCmts_ = unwritten + heldCmts_;
    out_.clear();
    pumpTimer_.stop();
    discardUnread();
    lineDown_ = true;
    // Given back newest first, so that the oldest ends up at the front.
    for (int i = static_cast<int>(deliveries_.size()) - 1; i >= 0; --i) {
        const Delivery& d = deliveries_[i];
        if (d.deliveredMs >= 0 && d.ackedMs < 0 && !d.lost)
            giveBack(i);
    }
}

void SimModem::setHoldCmtUntilAcked(bool hold)
{
    holdCmt_ = hold;
    if (!hold)
        while (!heldCmts_.isEmpty())
            deliverNextHeldCmt();
}

void SimModem::injectCds(const QString& pduHex)
{
    injectRaw("\r\n+CDS: " + QByteArray::number(tpdu::tpduLengthOf(pduHex)) + "\r\n" + pduHex.toLatin1() + "\r\n");
}

void SimModem::injectRing() { injectRaw("\r\nRING\r\n"); }

void SimModem::injectUrc(const QString& line) { injectRaw("\r\n" + line.toLatin1() + "\r\n"); }

void SimModem::injectIntoNextReply(const QByteArray& bytes, int offset)
{
    nextReplyInjections_.append({bytes, offset, -1});
}

void SimModem::injectCmtIntoNextReply(const QString& pduHex, int offset)
{
    Delivery d;
    d.pdu = pduHex;
    deliveries_.append(d);
    nextReplyInjections_.append({cmtBytes(pduHex), offset, static_cast<int>(deliveries_.size()) - 1});
}

// ---- Input -------------------------------------------------------------------------------

void SimModem::handleInput(const QByteArray& bytes)
{
    appendLog(true, bytes);
    if (restarting_)
        return;
    QByteArray echo;
    auto flushEcho = [&] {
        if (echo_ && !silent_ && !echo.isEmpty())
            injectRaw(echo);
        echo.clear();
    };
    for (char c : bytes) {
        if (restarting_)
            break;   // the rest of the chunk reaches a modem that is rebooting
        if (inBody_) {
            if (c == kCtrlZ || c == kEscape) {
                flushEcho();
                handleBody(c == kCtrlZ);
                continue;
            }
            echo.append(c);
            if (c == '\n' && body_.isEmpty())
                continue;   // the LF of a CR LF line end before the body
            if (body_.size() < kMaxBody)
                body_.append(c);
            continue;
        }
        echo.append(c);
        if (c == '\r') {
            flushEcho();
            const QByteArray line = line_;
            line_.clear();
            handleLine(line);
        } else if (c == '\n') {
            // S4: ignored between commands
        } else if (c == '\b') {
            line_.chop(1);
        } else if (c == kEscape) {
            line_.clear();   // outside a message body ESC abandons the line typed so far
        } else if (line_.size() < kMaxLine) {
            line_.append(c);
        }
    }
    flushEcho();
}

void SimModem::handleLine(const QByteArray& raw)
{
    const QString line = QString::fromLatin1(raw);
    commands_.append(line);
    emit commandReceived(line);
    const QString cmd = line.trimmed();
    if (silent_ || cmd.isEmpty() || !cmd.startsWith(QLatin1String("AT"), Qt::CaseInsensitive))
        return;
    if (lineDown_) {
        // Someone is on the line again: what waited is delivered after the
        // answer to this command.
        lineDown_ = false;
        QTimer::singleShot(0, this, [this] {
            if (!awaitingAck())
                deliverNextHeldCmt();
        });
    }
    const Fault* fault = matchFault(cmd);
    int extraDelay = 0;
    if (fault) {
        switch (fault->kind) {
        case Fault::Kind::Silence:
            return;
        case Fault::Kind::Custom:
            reply(fault->reply);
            return;
        case Fault::Kind::Delay:
            extraDelay = fault->delayMs;
            break;
        case Fault::Kind::Unplug:
            unplugSoon();
            return;
        default: {
            Result r;
            r.final = Final::Error;
            if (fault->kind == Fault::Kind::CmsError)
                r.errorLine = QStringLiteral("+CMS ERROR: %1").arg(fault->code);
            else if (fault->kind == Fault::Kind::CmeError)
                r.errorLine = QStringLiteral("+CME ERROR: %1").arg(fault->code);
            reply(format(r));
            return;
        }
        }
    }
    Result r;
    execute(cmd, r);
    reply(format(r), extraDelay);
    if (r.restart)
        scheduleRestart();
}

void SimModem::handleBody(bool submitted)
{
    inBody_ = false;
    const QString text = QString::fromLatin1(body_);
    body_.clear();
    if (!submitted) {
        commands_.append(text + QChar(kEscape));
        emit commandReceived(commands_.last());
        Result r;
        reply(format(r));
        return;
    }
    commands_.append(text);
    emit commandReceived(text);

    SubmitRecord rec;
    rec.declaredLength = bodyLength_;
    rec.pdu = text;
    rec.atMs = clock_.elapsed();
    QString why;
    const auto octets = tpdu::fromHex(text);
    if (!octets) {
        why = QStringLiteral("the body is not an even run of hex digits");
    } else if (octets->isEmpty()) {
        why = QStringLiteral("the body is empty");
    } else {
        const int sca = static_cast<unsigned char>(octets->at(0));
        const int tpduOctets = static_cast<int>(octets->size()) - 1 - sca;
        if (tpduOctets != bodyLength_)
            why = QStringLiteral("%1 TPDU octets after the SMSC field, AT+CMGS gave %2").arg(tpduOctets).arg(bodyLength_);
        rec.decoded = tpdu::decodeSubmit(text, true, why.isEmpty() ? &why : nullptr);
    }
    const Fault* fault = matchFault(kPduInput);
    int extraDelay = 0;
    Result r;
    if (!why.isEmpty()) {
        rec.error = why;
        cmsError(r, 304);
    } else if (fault && fault->kind != Fault::Kind::Delay) {
        rec.error = QStringLiteral("scripted fault");
    } else {
        if (fault)
            extraDelay = fault->delayMs;
        rec.accepted = true;
        if (!bareOkToBodies_)
            r.info.append(QStringLiteral("+CMGS: %1").arg(rec.decoded->mr));
    }
    submits_.append(rec);
    emit submitReceived(rec);

    if (why.isEmpty() && fault && fault->kind != Fault::Kind::Delay) {
        switch (fault->kind) {
        case Fault::Kind::Silence:
            return;
        case Fault::Kind::Unplug:
            unplugSoon();
            return;
        case Fault::Kind::Custom:
            reply(fault->reply);
            return;
        default:
            r.final = Final::Error;
            if (fault->kind == Fault::Kind::CmsError)
                r.errorLine = QStringLiteral("+CMS ERROR: %1").arg(fault->code);
            else if (fault->kind == Fault::Kind::CmeError)
                r.errorLine = QStringLiteral("+CME ERROR: %1").arg(fault->code);
            break;
        }
    }
    reply(format(r), extraDelay);
}

// ---- Formatting -------------------------------------------------------------------------

QByteArray SimModem::finalBytes(const QString& text, int numeric) const
{
    if (verbose_)
        return "\r\n" + text.toLatin1() + "\r\n";
    if (numeric >= 0)
        return QByteArray::number(numeric) + '\r';
    return text.toLatin1() + "\r\n";
}

QByteArray SimModem::format(const Result& r) const
{
    QByteArray out;
    if (!r.info.isEmpty()) {
        const QByteArray lines = r.info.join(QStringLiteral("\r\n")).toLatin1() + "\r\n";
        out += verbose_ ? "\r\n" + lines : lines;
    }
    if (r.prompt) {
        out += "\r\n> ";
        return out;
    }
    if (quiet_ || r.final == Final::None)
        return out;
    if (r.final == Final::Ok)
        out += finalBytes(QStringLiteral("OK"), 0);
    else if (!r.errorLine.isEmpty())
        out += finalBytes(r.errorLine, -1);
    else
        out += finalBytes(QStringLiteral("ERROR"), 4);
    return out;
}

void SimModem::cmeError(Result& r, int code)
{
    r.final = Final::Error;
    if (cmee_ != 0)
        r.errorLine = QStringLiteral("+CME ERROR: %1").arg(code);
}

void SimModem::cmsError(Result& r, int code)
{
    r.final = Final::Error;
    r.errorLine = QStringLiteral("+CMS ERROR: %1").arg(code);
}

bool SimModem::simBlocks(Result& r, bool sms)
{
    switch (simState_) {
    case SimState::Ready:
        return false;
    case SimState::Pin:
        sms ? cmsError(r, 311) : cmeError(r, 11);
        return true;
    case SimState::Puk:
        sms ? cmsError(r, 316) : cmeError(r, 12);
        return true;
    case SimState::Blocked:
        sms ? cmsError(r, 310) : cmeError(r, 13);
        return true;
    }
    return true;
}

// ---- Restart -------------------------------------------------------------------------------

void SimModem::scheduleRestart()
{
    restarting_ = true;
    ++restartCount_;
    line_.clear();
    inBody_ = false;
    body_.clear();
    if (restartMs_ == 0)
        finishRestart();
    else
        restartTimer_.start(restartMs_);
}

void SimModem::finishRestart()
{
    powerUp();
    emit restarted();
}

void SimModem::powerUp()
{
    restarting_ = false;
    echo_ = true;
    verbose_ = true;
    quiet_ = false;
    cmee_ = 1;
    fun_ = 1;
    sregs_.clear();
    current_ = saved_;
    line_.clear();
    inBody_ = false;
    body_.clear();
    if (!pin_.isEmpty() && simState_ == SimState::Ready)
        simState_ = SimState::Pin;
    // Indications delivered before the restart can no longer be acknowledged.
    for (Delivery& d : deliveries_)
        if (d.ackedMs < 0)
            d.lost = true;
    heldCmts_.clear();
}

// ---- The interpreter -------------------------------------------------------------------------

void SimModem::execute(const QString& line, Result& r)
{
    const QString body = line.mid(2);
    int i = 0;
    while (i < body.size()) {
        const QChar c = body.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char(';')) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('+')) {
            int end = i;
            bool inQuote = false;
            while (end < body.size() && (inQuote || body.at(end) != QLatin1Char(';'))) {
                if (body.at(end) == QLatin1Char('"'))
                    inQuote = !inQuote;
                ++end;
            }
            executeExtended(body.mid(i, end - i), r);
            i = end;
        } else if (!executeBasic(body, i, r)) {
            r.final = Final::Error;
            r.errorLine.clear();
        }
        if (r.final != Final::Ok || r.prompt || r.restart)
            return;
    }
}

bool SimModem::executeBasic(const QString& body, int& i, Result& r)
{
    auto number = [&](int def) {
        int start = i;
        while (i < body.size() && body.at(i).isDigit())
            ++i;
        return start == i ? def : body.mid(start, i - start).toInt();
    };
    // E, V and Q take 0 or 1 (none means 0).
    auto setSwitch = [&](bool& flag) {
        const int n = number(0);
        if (n > 1)
            return false;
        flag = n == 1;
        return true;
    };
    const QChar c = body.at(i++).toUpper();
    switch (c.unicode()) {
    case 'E': return setSwitch(echo_);
    case 'V': return setSwitch(verbose_);
    case 'Q': return setSwitch(quiet_);
    case 'Z':
        number(0);
        current_ = saved_;
        return true;
    case 'I':
        number(0);
        r.info << maker_ << model_;
        return true;
    case 'H': case 'L': case 'M': case 'X':
        number(0);
        return true;
    case 'S': {
        const int reg = number(-1);
        if (reg < 0 || reg > 255 || i >= body.size())
            return false;
        if (body.at(i) == QLatin1Char('?')) {
            ++i;
            r.info << QStringLiteral("%1").arg(sregs_.value(reg, 0), 3, 10, QLatin1Char('0'));
            return true;
        }
        if (body.at(i) != QLatin1Char('='))
            return false;
        ++i;
        const int v = number(-1);
        if (v < 0 || v > 255)
            return false;
        sregs_[reg] = v;
        return true;
    }
    case '&': {
        if (i >= body.size())
            return false;
        const QChar k = body.at(i++).toUpper();
        number(0);
        switch (k.unicode()) {
        case 'W':
            saved_ = current_;
            return true;
        case 'F':
            current_ = Profile();
            echo_ = true;
            verbose_ = true;
            quiet_ = false;
            return true;
        case 'C': case 'D': case 'K':
            return true;
        default:
            return false;
        }
    }
    default:
        return false;
    }
}

void SimModem::executeExtended(const QString& cmd, Result& r)
{
    int p = 1;
    while (p < cmd.size() && cmd.at(p).isLetterOrNumber())
        ++p;
    const QString name = cmd.left(p).toUpper();
    const QString rest = cmd.mid(p).trimmed();
    int kind;
    QStringList args;
    QList<bool> quoted;
    if (rest.isEmpty())
        kind = Action;
    else if (rest == QLatin1String("?"))
        kind = Query;
    else if (rest == QLatin1String("=?"))
        kind = Test;
    else if (rest.startsWith(QLatin1Char('=')) && parseArgs(rest.mid(1), args, quoted))
        kind = Set;
    else {
        r.final = Final::Error;
        return;
    }
    auto error = [&r] { r.final = Final::Error; };

    if (name == QLatin1String("+CGMI") || name == QLatin1String("+CGMM") || name == QLatin1String("+CGMR")
        || name == QLatin1String("+CGSN")) {
        if (kind == Action) {
            if (name == QLatin1String("+CGMI"))
                r.info << maker_;
            else if (name == QLatin1String("+CGMM"))
                r.info << model_;
            else if (name == QLatin1String("+CGMR"))
                r.info << QStringLiteral("1.0.7");
            else
                r.info << QStringLiteral("351234567890123");
        } else if (kind != Test) {
            error();
        }
    } else if (name == QLatin1String("+CFUN")) {
        if (kind == Query) {
            r.info << QStringLiteral("+CFUN: %1").arg(fun_);
        } else if (kind == Test) {
            r.info << QStringLiteral("+CFUN: (0,1,4),(0,1)");
        } else if (kind == Set) {
            int fun = 0, rst = 0;
            if (!toInt(args.value(0), fun) || (fun != 0 && fun != 1 && fun != 4)
                || (args.size() > 1 && (!toInt(args.at(1), rst) || rst < 0 || rst > 1)) || args.size() > 2) {
                cmeError(r, 3);
                return;
            }
            fun_ = fun;
            if (rst == 1)
                r.restart = true;
        } else {
            error();
        }
    } else if (name == QLatin1String("+CMEE")) {
        int v = 0;
        if (kind == Query)
            r.info << QStringLiteral("+CMEE: %1").arg(cmee_);
        else if (kind == Test)
            r.info << QStringLiteral("+CMEE: (0-2)");
        else if (kind == Set && args.size() == 1 && toInt(args.at(0), v) && v >= 0 && v <= 2)
            cmee_ = v;
        else
            error();
    } else if (name == QLatin1String("+CPIN")) {
        cmdCpin(kind, args, quoted, r);
    } else if (name == QLatin1String("+CSQ")) {
        if (kind == Action)
            r.info << QStringLiteral("+CSQ: %1,%2").arg(rssi_).arg(ber_);
        else if (kind == Test)
            r.info << QStringLiteral("+CSQ: (0-31,99),(0-7,99)");
        else
            error();
    } else if (name == QLatin1String("+CPBS")) {
        if (kind == Test) {
            r.info << QStringLiteral("+CPBS: (\"SM\")");
        } else if (kind == Query) {
            if (!simBlocks(r, false))
                r.info << (pbCounts_ ? QStringLiteral("+CPBS: \"SM\",%1,%2").arg(phonebook_.size()).arg(pbSize_)
                                     : QStringLiteral("+CPBS: \"SM\""));
        } else if (kind == Set && args.size() == 1) {
            if (!simBlocks(r, false) && args.at(0).compare(QLatin1String("SM"), Qt::CaseInsensitive) != 0)
                cmeError(r, 3);
        } else {
            error();
        }
    } else if (name == QLatin1String("+CPBR")) {
        cmdCpbr(kind, args, r);
    } else if (name == QLatin1String("+CPBW")) {
        cmdCpbw(kind, args, quoted, r);
    } else if (name == QLatin1String("+CSMS")) {
        int v = 0;
        if (kind == Query)
            r.info << QStringLiteral("+CSMS: %1,1,1,1").arg(current_.csms);
        else if (kind == Test)
            r.info << QStringLiteral("+CSMS: (0,1)");
        else if (kind == Set && args.size() == 1 && toInt(args.at(0), v) && (v == 0 || v == 1)) {
            current_.csms = v;
            r.info << QStringLiteral("+CSMS: 1,1,1");
        } else if (kind == Set)
            cmsError(r, 303);
        else
            error();
    } else if (name == QLatin1String("+CNMI")) {
        cmdCnmi(kind, args, r);
    } else if (name == QLatin1String("+CMGF")) {
        int v = 0;
        if (kind == Query)
            r.info << QStringLiteral("+CMGF: %1").arg(current_.cmgf);
        else if (kind == Test)
            r.info << QStringLiteral("+CMGF: (0,1)");
        else if (kind == Set && args.size() == 1 && toInt(args.at(0), v) && (v == 0 || v == 1))
            current_.cmgf = v;
        else
            error();
    } else if (name == QLatin1String("+CSCA")) {
        if (kind == Query)
            r.info << QStringLiteral("+CSCA: \"%1\",%2").arg(smsc_).arg(smsc_.startsWith(QLatin1Char('+')) ? 145 : 129);
        else if (kind == Set && !args.isEmpty() && quoted.value(0))
            smsc_ = args.at(0);
        else if (kind != Test)
            error();
    } else if (name == QLatin1String("+CMGS")) {
        if (kind == Test)
            return;
        if (kind != Set) {
            error();
            return;
        }
        if (simBlocks(r, true))
            return;
        if (current_.cmgf != 0) {
            cmsError(r, 302);   // text mode is not offered by this modem
            return;
        }
        int n = 0;
        if (args.size() != 1 || !toInt(args.at(0), n) || n < 1 || n > 164) {
            cmsError(r, 304);
            return;
        }
        bodyLength_ = n;
        inBody_ = true;
        body_.clear();
        r.prompt = true;
    } else if (name == QLatin1String("+CNMA")) {
        if (kind == Test) {
            r.info << QStringLiteral("+CNMA: (0-2)");
            return;
        }
        if (kind == Query) {
            error();
            return;
        }
        for (int i = 0; i < deliveries_.size(); ++i) {
            Delivery& d = deliveries_[i];
            if (d.deliveredMs >= 0 && d.ackedMs < 0 && !d.lost) {
                d.ackedMs = clock_.elapsed();
                if (holdCmt_)
                    QTimer::singleShot(0, this, &SimModem::deliverNextHeldCmt);
                return;
            }
        }
        cmsError(r, 340);
    } else {
        error();
    }
}

void SimModem::cmdCpin(int kind, const QStringList& args, const QList<bool>&, Result& r)
{
    if (kind == Test)
        return;
    if (kind == Query) {
        switch (simState_) {
        case SimState::Ready: r.info << QStringLiteral("+CPIN: READY"); break;
        case SimState::Pin: r.info << QStringLiteral("+CPIN: SIM PIN"); break;
        case SimState::Puk: r.info << QStringLiteral("+CPIN: SIM PUK"); break;
        case SimState::Blocked: cmeError(r, 13); return;
        }
        if (!cpinFinalOk_)
            r.final = Final::None;
        return;
    }
    if (kind != Set || args.isEmpty() || args.size() > 2) {
        r.final = Final::Error;
        return;
    }
    const QString code = args.at(0);
    switch (simState_) {
    case SimState::Ready:
        cmeError(r, 3);
        return;
    case SimState::Blocked:
        cmeError(r, 13);
        return;
    case SimState::Pin:
        if (code == pin_) {
            simState_ = SimState::Ready;
            pinTries_ = 3;
            return;
        }
        if (--pinTries_ <= 0) {
            pinTries_ = 0;
            simState_ = SimState::Puk;
        }
        cmeError(r, 16);
        return;
    case SimState::Puk:
        if (args.size() < 2 || !isPinCode(args.at(1))) {
            cmeError(r, 16);   // the PUK needs a new PIN with it
            return;
        }
        if (code == puk_) {
            pin_ = args.at(1);
            simState_ = SimState::Ready;
            pinTries_ = 3;
            pukTries_ = 10;
            return;
        }
        if (--pukTries_ <= 0) {
            pukTries_ = 0;
            simState_ = SimState::Blocked;
        }
        cmeError(r, 16);
        return;
    }
}

QString SimModem::phonebookLine(int index) const
{
    const PhonebookEntry& e = phonebook_[index];
    return QStringLiteral("+CPBR: %1,\"%2\",%3,\"%4\"").arg(index).arg(e.number).arg(e.type).arg(e.text);
}

void SimModem::cmdCpbr(int kind, const QStringList& args, Result& r)
{
    if (kind == Action || kind == Query) {
        r.final = Final::Error;
        return;
    }
    if (simBlocks(r, false))
        return;
    if (kind == Test) {
        r.info << QStringLiteral("+CPBR: (1-%1),%2,%3").arg(pbSize_).arg(pbMaxNumber_).arg(pbMaxText_);
        return;
    }
    int from = 0, to = 0;
    if (args.isEmpty() || args.size() > 2 || !toInt(args.at(0), from)) {
        r.final = Final::Error;
        return;
    }
    to = from;
    if (args.size() == 2 && !toInt(args.at(1), to)) {
        r.final = Final::Error;
        return;
    }
    if (from < 1 || from > pbSize_ || to < from || to > pbSize_) {
        cmeError(r, 21);
        return;
    }
    if (args.size() == 1 && pbEmptyError_ != 0 && !phonebook_.contains(from)) {
        cmeError(r, pbEmptyError_);
        return;
    }
    for (auto it = phonebook_.lowerBound(from); it != phonebook_.end() && it.key() <= to; ++it)
        r.info << phonebookLine(it.key());
}

void SimModem::cmdCpbw(int kind, const QStringList& args, const QList<bool>& quoted, Result& r)
{
    if (kind == Action || kind == Query) {
        r.final = Final::Error;
        return;
    }
    if (simBlocks(r, false))
        return;
    if (kind == Test) {
        r.info << QStringLiteral("+CPBW: (1-%1),%2,(128-255),%3").arg(pbSize_).arg(pbMaxNumber_).arg(pbMaxText_);
        return;
    }
    if (args.isEmpty() || args.size() > 4) {
        r.final = Final::Error;
        return;
    }
    int index = 0;
    if (!args.at(0).isEmpty()) {
        if (!toInt(args.at(0), index)) {
            r.final = Final::Error;
            return;
        }
        if (index < 1 || index > pbSize_) {
            cmeError(r, 21);
            return;
        }
    }
    if (args.size() == 1) {
        if (index == 0) {
            r.final = Final::Error;
            return;
        }
        phonebook_.remove(index);   // an empty write erases the slot
        return;
    }
    // Strings must be quoted; the type, when given, is a number.
    if (!quoted.at(1) || (args.size() > 3 && !quoted.at(3)) || (args.size() > 2 && quoted.at(2))) {
        r.final = Final::Error;
        return;
    }
    const QString number = args.at(1);
    const QString text = args.value(3);
    int type = number.startsWith(QLatin1Char('+')) ? 145 : 129;
    if (args.size() > 2 && !args.at(2).isEmpty() && (!toInt(args.at(2), type) || type < 128 || type > 255)) {
        r.final = Final::Error;
        return;
    }
    // The '+' is kept as the type of number, not among the digits.
    if (number.size() - (number.startsWith(QLatin1Char('+')) ? 1 : 0) > pbMaxNumber_) {
        cmeError(r, 26);
        return;
    }
    static const QString kDial = QStringLiteral("0123456789*#+pPwW");
    for (int k = 0; k < number.size(); ++k) {
        if (!kDial.contains(number.at(k)) || (number.at(k) == QLatin1Char('+') && k != 0)) {
            cmeError(r, 27);
            return;
        }
    }
    if (text.size() > pbMaxText_) {
        cmeError(r, 24);
        return;
    }
    if (index == 0) {
        for (int k = 1; k <= pbSize_ && index == 0; ++k)
            if (!phonebook_.contains(k))
                index = k;
        if (index == 0) {
            cmeError(r, 20);
            return;
        }
    }
    phonebook_.insert(index, {number, type, text});
}

void SimModem::cmdCnmi(int kind, const QStringList& args, Result& r)
{
    const auto& c = current_.cnmi;
    if (kind == Query) {
        r.info << QStringLiteral("+CNMI: %1,%2,%3,%4,%5").arg(c[0]).arg(c[1]).arg(c[2]).arg(c[3]).arg(c[4]);
        return;
    }
    if (kind == Test) {
        r.info << QStringLiteral("+CNMI: (0-3),(0-3),(0,2,3),(0-2),(0,1)");
        return;
    }
    if (kind != Set || args.isEmpty() || args.size() > 5) {
        r.final = Final::Error;
        return;
    }
    static const int kMax[5] = {3, 3, 3, 2, 1};
    auto next = c;
    for (int k = 0; k < args.size(); ++k) {
        if (args.at(k).isEmpty())
            continue;   // an omitted value keeps its setting
        int v = 0;
        if (!toInt(args.at(k), v) || v < 0 || v > kMax[k] || (k == 2 && v == 1)) {
            cmsError(r, 303);
            return;
        }
        next[k] = v;
    }
    current_.cnmi = next;
}
