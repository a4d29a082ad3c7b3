#include "remote/http/WebPages.h"

#include "base/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QByteArray WebPages::withCrLf(const QByteArray& bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 16 + 2);
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype nl = bytes.indexOf('\n', pos);
        const bool last = nl < 0;
        if (last)
            nl = bytes.size();
        qsizetype end = nl;
        if (end > pos && bytes[end - 1] == '\r')
            --end;
        out.append(bytes.constData() + pos, end - pos);
        out.append("\r\n", 2);
        pos = nl + 1;
    }
    return out;
}

void WebPages::add(const QString& name, const QByteArray& bytes)
{
    pages_.insert(QFile::encodeName(name), bytes);
}

int WebPages::load(const QString& folder)
{
    pages_.clear();
    // The name filter matches without regard to case ("INDEX.HTM" is loaded,
    // under its own name); ".html" files are not pages.
    const QFileInfoList files =
        QDir(folder).entryInfoList({QStringLiteral("*.htm")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& info : files) {
        // A link to the database is never read: only SQLite opens it.
        if (info.size() > kMaxPageSize || AppPaths::isDatabaseFile(info.filePath()))
            continue;
        QFile f(info.filePath());
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = f.read(kMaxPageSize + 1);
        if (bytes.size() > kMaxPageSize)
            continue;
        add(info.fileName(), withCrLf(bytes));
    }
    return count();
}
