#include "engine/SendJournal.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

QByteArray num(qint64 v) { return QByteArray::number(v); }

// Writes all bytes; false on any failure.
bool writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

bool syncDir(const QString& dir)
{
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool isId(const QByteArray& id)
{
    if (id.size() != 16)
        return false;
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

} // namespace

SendJournal::SendJournal(const QString& path) : path_(path) {}

SendJournal::~SendJournal() { closeFile(); }

QByteArray SendJournal::rowId(const QString& number, const QString& type, const QString& content,
                              const QString& created, const QString& sendTime, const QString& priority)
{
    const QChar sep(0x1F);
    const QString all = number + sep + type + sep + content + sep + created + sep + sendTime + sep + priority;
    return QCryptographicHash::hash(all.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
}

bool SendJournal::ensureOpen()
{
    if (fd_ >= 0)
        return true;
    fd_ = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    return fd_ >= 0;
}

void SendJournal::closeFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool SendJournal::append(const QByteArray& line, bool sync)
{
    if (!ensureOpen())
        return false;
    if (!writeAll(fd_, line + '\n') || (sync && ::fdatasync(fd_) != 0)) {
        // A half-written line is dropped when the file is next read.
        closeFile();
        return false;
    }
    return true;
}

bool SendJournal::load()
{
    entries_.clear();
    closeFile();
    QFile file(path_);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray all = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    qsizetype at = 0;
    while (at < all.size()) {
        const qsizetype end = all.indexOf('\n', at);
        if (end < 0)
            break; // cut short by a crash: never completed, so never relied on
        applyLine(all.mid(at, end - at));
        at = end + 1;
    }
    // A body written and never answered: its outcome is not known. One
    // begun and not written never left.
    for (Entry& e : entries_) {
        for (Part& p : e.parts) {
            if (p.written)
                ++p.unanswered;
            p.open = p.written = false;
        }
    }
    return true;
}

void SendJournal::applyLine(const QByteArray& line)
{
    const QList<QByteArray> f = line.split(' ');
    if (f.size() < 3 || f[0].size() != 1 || !isId(f[2]))
        return;
    bool ok = false;
    const qint64 code = f[1].toLongLong(&ok);
    if (!ok)
        return;
    const char kind = f[0][0];
    const QByteArray& id = f[2];
    auto entryFor = [&]() -> Entry& {
        Entry& e = entries_[code];
        if (e.id != id)
            e = Entry{id, 0, 0, {}, {}};
        return e;
    };
    auto ints = [&](int from, int count, int* out) {
        if (f.size() < from + count)
            return false;
        for (int i = 0; i < count; ++i) {
            bool good = false;
            out[i] = f[from + i].toInt(&good);
            if (!good)
                return false;
        }
        return true;
    };
    // The part a record of three fields and a part number names.
    auto namedPart = [&]() -> Part* {
        int v[1];
        if (!ints(3, 1, v) || v[0] < 1)
            return nullptr;
        return &entryFor().parts[v[0]];
    };

    switch (kind) {
    case 'P': {
        int v[3];
        if (!ints(3, 3, v) || v[0] < 1 || v[1] < v[0])
            return;
        Entry& e = entryFor();
        e.total = v[1];
        e.mr = v[2];
        Part& p = e.parts[v[0]];
        if (p.written)
            ++p.unanswered;
        p.open = true;
        p.written = false;
        return;
    }
    case 'W':
        if (Part* p = namedPart(); p && p->open) {
            p->open = false;
            p->written = true;
        }
        return;
    case 'C': {
        int v[4];
        if (!ints(3, 4, v) || v[0] < 1 || v[1] < v[0])
            return;
        Entry& e = entryFor();
        e.total = v[1];
        e.mr = v[2];
        Part& p = e.parts[v[0]];
        p.open = p.written = false;
        p.confirmed = true;
        p.modemReference = v[3];
        return;
    }
    case 'R':
        if (Part* p = namedPart())
            p->open = p->written = false;
        return;
    case 'S':
        if (f.size() < 4 || (f[3] != "C" && f[3] != "E"))
            return;
        entryFor().status = QString::fromLatin1(f[3]);
        return;
    case 'M': {
        const auto it = entries_.find(code);
        if (it != entries_.end() && it->id == id)
            entries_.erase(it);
        return;
    }
    default: return;
    }
}

QByteArray SendJournal::recordsOf(qint64 code, const Entry& e) const
{
    QByteArray out;
    const QByteArray head = ' ' + num(code) + ' ' + e.id + ' ';
    for (auto it = e.parts.cbegin(); it != e.parts.cend(); ++it) {
        const Part& p = it.value();
        const QByteArray begun = "P" + head + num(it.key()) + ' ' + num(e.total) + ' ' + num(e.mr) + '\n';
        // Each P and W left without an answer is one body of unknown outcome.
        const QByteArray gone = begun + "W" + head + num(it.key()) + '\n';
        const int unknown = p.unanswered + (p.written ? 1 : 0);
        if (p.confirmed) {
            out += gone.repeated(p.unanswered) + begun;
            out += "C" + head + num(it.key()) + ' ' + num(e.total) + ' ' + num(e.mr) + ' ' +
                   num(p.modemReference) + '\n';
        } else if (unknown > 0) {
            out += gone.repeated(unknown);
        } else {
            out += begun + "R" + head + num(it.key()) + '\n';
        }
    }
    if (!e.status.isEmpty())
        out += "S" + head + e.status.toLatin1() + '\n';
    return out;
}

bool SendJournal::compact()
{
    QList<qint64> order = entries_.keys();
    std::sort(order.begin(), order.end());
    QByteArray all;
    for (qint64 code : order)
        all += recordsOf(code, entries_.value(code));

    const QString tmp = path_ + QStringLiteral(".tmp");
    const int fd = ::open(QFile::encodeName(tmp).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, all) && ::fdatasync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path_).constData()) != 0) {
        ::unlink(QFile::encodeName(tmp).constData());
        return false;
    }
    // Appends go to the new file from now on.
    closeFile();
    syncDir(QFileInfo(path_).absolutePath());
    return true;
}

bool SendJournal::beginPart(qint64 code, const QByteArray& id, int part, int total, int mr)
{
    const QByteArray line = "P " + num(code) + ' ' + id + ' ' + num(part) + ' ' + num(total) + ' ' + num(mr);
    // Unless it is on the disk the body is not written, so memory keeps
    // no record of it either.
    if (!append(line))
        return false;
    applyLine(line);
    return true;
}

bool SendJournal::partWritten(qint64 code, int part)
{
    // In the file before the body is written, not after: a program killed
    // once the system has the body must count it as gone out. The system
    // keeps a written record through the program's death, so it is not
    // synced; the next record's sync takes it to the disk. Not in the file,
    // the body is not written, and memory keeps it as begun only.
    const QByteArray line = "W " + num(code) + ' ' + entries_.value(code).id + ' ' + num(part);
    if (!append(line, false))
        return false;
    applyLine(line);
    return true;
}

bool SendJournal::confirmPart(qint64 code, int part, int modemReference)
{
    const Entry e = entries_.value(code);
    const QByteArray line = "C " + num(code) + ' ' + e.id + ' ' + num(part) + ' ' + num(e.total) + ' ' +
                            num(e.mr) + ' ' + num(modemReference);
    applyLine(line);
    return append(line);
}

bool SendJournal::refusePart(qint64 code, int part)
{
    const QByteArray line = "R " + num(code) + ' ' + entries_.value(code).id + ' ' + num(part);
    applyLine(line);
    return append(line);
}

void SendJournal::noteUnanswered(qint64 code, int part)
{
    const auto it = entries_.find(code);
    if (it == entries_.end())
        return;
    Part& p = it->parts[part];
    if (p.written)
        ++p.unanswered;
    p.open = p.written = false;
}

bool SendJournal::settle(qint64 code, const QByteArray& id, const QString& status)
{
    const QByteArray line = "S " + num(code) + ' ' + id + ' ' + status.toLatin1();
    applyLine(line);
    return append(line);
}

bool SendJournal::forget(qint64 code)
{
    const auto it = entries_.find(code);
    if (it == entries_.end())
        return true;
    const QByteArray line = "M " + num(code) + ' ' + it->id;
    entries_.erase(it);
    // Written anew, the file holds only the messages at work; should that
    // fail, the M record says the same.
    return compact() || append(line);
}

QByteArray SendJournal::idOf(qint64 code) const { return entries_.value(code).id; }

void SendJournal::claim(qint64 code, const QByteArray& id)
{
    const auto it = entries_.find(code);
    if (it != entries_.end() && it->id != id)
        entries_.erase(it);
}

bool SendJournal::partConfirmed(qint64 code, int part) const
{
    const auto it = entries_.find(code);
    return it != entries_.end() && it->parts.value(part).confirmed;
}

int SendJournal::unansweredBodies(qint64 code, int part) const
{
    const auto it = entries_.find(code);
    return it == entries_.end() ? 0 : it->parts.value(part).unanswered;
}

int SendJournal::reference(qint64 code) const { return entries_.value(code).mr; }

bool SendJournal::allConfirmed(qint64 code) const
{
    const auto it = entries_.find(code);
    if (it == entries_.end() || it->total < 1)
        return false;
    for (int part = 1; part <= it->total; ++part)
        if (!it->parts.value(part).confirmed)
            return false;
    return true;
}

bool SendJournal::anyPartExhausted(qint64 code) const
{
    const auto it = entries_.find(code);
    if (it == entries_.end())
        return false;
    for (const Part& p : it->parts)
        if (!p.confirmed && p.unanswered >= kUnansweredLimit)
            return true;
    return false;
}

QString SendJournal::status(qint64 code) const { return entries_.value(code).status; }

QList<qint64> SendJournal::codes() const
{
    QList<qint64> out = entries_.keys();
    std::sort(out.begin(), out.end());
    return out;
}

QList<qint64> SendJournal::settledCodes() const
{
    QList<qint64> out;
    for (auto it = entries_.cbegin(); it != entries_.cend(); ++it)
        if (!it->status.isEmpty())
            out << it.key();
    std::sort(out.begin(), out.end());
    return out;
}

void SendJournal::remap(const QHash<qint64, qint64>& oldToNew)
{
    QHash<qint64, Entry> moved;
    for (auto it = entries_.cbegin(); it != entries_.cend(); ++it)
        if (oldToNew.contains(it.key()))
            moved.insert(oldToNew.value(it.key()), it.value());
    entries_ = moved;
}
