#include "support/TestEnv.h"

#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/UserPrompt.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <atomic>

#include <sys/stat.h>
#include <unistd.h>

namespace testenv {

namespace {
QString g_root;
ScriptedPrompt* g_prompt = nullptr;
std::atomic<int> g_counter{0};
} // namespace

void setRoot(const QString& path)
{
    g_root = path;
    QDir d(path);
    d.mkpath("config");
    d.mkpath("runtime");
    d.mkpath("home");
    QFile::setPermissions(d.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", d.filePath("config").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", d.filePath("runtime").toLocal8Bit());
    qputenv("XDG_DATA_HOME", d.filePath("home").toLocal8Bit());
    qputenv("VELQUARIN_HOME", d.filePath("home").toLocal8Bit());
    AppPaths::setAppDir(d.filePath("home"));
}

QString root() { return g_root; }

QString newDir(const QString& hint)
{
    const QString path = QDir(g_root).filePath(QStringLiteral("%1-%2").arg(hint).arg(++g_counter));
    QDir().mkpath(path);
    return path;
}

void setPrompt(ScriptedPrompt* prompt) { g_prompt = prompt; }

ScriptedPrompt& prompt() { return *g_prompt; }

FreshDb::FreshDb()
{
    dir_ = newDir(QStringLiteral("db"));
    path_ = QDir(dir_).filePath(QStringLiteral("data.db"));
    AppPaths::setAppDir(dir_);
    db_ = std::make_unique<Database>();
    db_->open(path_);
}

FreshDb::~FreshDb() = default;

bool waitUntil(const std::function<bool()>& pred, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!pred()) {
        if (deadline.hasExpired())
            return pred();
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool holdsLock(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pid = QByteArray::number(qint64(::getpid()));
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        // "1: POSIX ADVISORY READ <pid> <maj:min:inode> <start> <end>"; waiters have "->".
        if (f.size() >= 6 && f[1] == "POSIX" && f[4] == pid
            && f[5].split(':').value(2) == QByteArray::number(qulonglong(st.st_ino)))
            return true;
    }
    return false;
}

} // namespace testenv
