#pragma once
// The web page collection: every "*.htm" file of a folder, read once into
// memory when the HTTP server starts. Pages are kept as bytes, so that what
// is served is exactly the file (UTF-8 or not) and its length is exact.
// Each line, the last one included, is stored followed by CR LF. Lookup is
// by the exact, case-sensitive file name; the server never reads a file
// while it answers requests.
#include <QByteArray>
#include <QHash>
#include <QString>

class WebPages {
public:
    // Files above this size are skipped.
    static constexpr qint64 kMaxPageSize = 4 * 1024 * 1024;

    // Replaces the collection with the pages of `folder`. A missing folder
    // gives no pages. Returns the number of pages held.
    int load(const QString& folder);
    void add(const QString& name, const QByteArray& bytes);

    bool contains(QByteArrayView name) const { return pages_.contains(name.toByteArray()); }
    // The page's bytes, or a null QByteArray when it is not held.
    QByteArray page(QByteArrayView name) const { return pages_.value(name.toByteArray()); }
    int count() const { return int(pages_.size()); }
    void clear() { pages_.clear(); }

    // A file's bytes with every line ended by CR LF.
    static QByteArray withCrLf(const QByteArray& bytes);

private:
    // Keyed by the file name's bytes, as a request names them.
    QHash<QByteArray, QByteArray> pages_;
};
