#pragma once
// The send journal: what the Outbox sender has done with each message it is
// working on, kept in "sending.journal" in the data folder. A program that
// died in the middle of a send learns from it after the restart which parts
// the modem confirmed (never sent again), which bodies went out without an
// answer (such a part is written at most once more) and which messages
// still owe their move to Sent Items.
//
// One record a line, fields separated by one blank, ended by LF. Each record
// is appended (and, but for W, then synced with fdatasync) before the sender
// takes its next step:
//
//   P <code> <id> <part> <total> <mr>        the body of part <part> (1-based)
//                                            of <total> is about to be written
//                                            (the modem showed its prompt)
//   W <code> <id> <part>                     that body is handed to the system
//                                            for the line: appended right
//                                            before the body's write, so a
//                                            body the system may have taken
//                                            is never counted as not gone
//                                            (a record in the file survives
//                                            the program's death even before
//                                            it is synced, so W is not)
//   C <code> <id> <part> <total> <mr> <ref>  the modem confirmed that part;
//                                            <ref> from "+CMGS: ", -1 unknown
//   R <code> <id> <part>                     that part did not go: the modem
//                                            refused it, or never got its body
//   S <code> <id> <status>                   the message is done, "C" sent or
//                                            "E" failed; its move is owed
//   M <code> <id>                            moved to Sent Items (or gone from
//                                            the Outbox): forgotten
//
// <code> is the Outbox code (tboutqueue.msgcode), <id> 16 hex digits that
// tell the row apart from another one given the same code later (rowId()).
// A P and W that are followed by neither a C nor an R of their part (before
// the next P of that part, or the end of the file) are a body whose outcome
// is not known (a death between the W and the body's write is counted so
// too: it errs toward not writing the body again). A P without its W is a
// body that never left: it counts for nothing. A line without its LF (a
// write cut short) or that does not read is ignored. The file is written
// anew without the forgotten messages (a temporary file renamed over it)
// whenever a message is forgotten, so it holds only the messages at work.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

class SendJournal {
public:
    static QString fileName() { return QStringLiteral("sending.journal"); }
    // Bodies of one part whose outcome was not known: the part is not
    // written again after this many.
    static constexpr int kUnansweredLimit = 2;

    explicit SendJournal(const QString& path);
    ~SendJournal();
    SendJournal(const SendJournal&) = delete;
    SendJournal& operator=(const SendJournal&) = delete;

    QString path() const { return path_; }

    // Reads the file into memory, replacing what was there. A missing file
    // is an empty journal; false when it exists and cannot be read.
    bool load();
    // Writes the file anew with the records of the messages still held.
    bool compact();

    // The identity of an Outbox row apart from its code.
    static QByteArray rowId(const QString& number, const QString& type, const QString& content,
                            const QString& created, const QString& sendTime, const QString& priority);

    // The file can take records: it is open, or opens now for appending.
    bool writable() { return ensureOpen(); }

    // The steps of a send. Each is recorded in memory and appended to the
    // file; false when the file could not take it.
    bool beginPart(qint64 code, const QByteArray& id, int part, int total, int mr);
    // Called right before the body is handed to the system; unless it
    // returns true, the body must not be written.
    bool partWritten(qint64 code, int part);
    bool confirmPart(qint64 code, int part, int modemReference);
    bool refusePart(qint64 code, int part);
    // No answer came for the part's body: when it was written, nothing to
    // record (its P and W stay without an answer), counted in memory.
    void noteUnanswered(qint64 code, int part);
    bool settle(qint64 code, const QByteArray& id, const QString& status);
    // The message is done with: dropped, and the file written anew.
    bool forget(qint64 code);

    // What is known of a code. A message is held from its first record
    // until it is forgotten.
    bool holds(qint64 code) const { return entries_.contains(code); }
    QByteArray idOf(qint64 code) const;
    // Drops what is held for the code when it belongs to another row.
    void claim(qint64 code, const QByteArray& id);
    bool partConfirmed(qint64 code, int part) const;
    int unansweredBodies(qint64 code, int part) const;
    // The message reference its parts went with; 0 when none did.
    int reference(qint64 code) const;
    // Every part of the message confirmed (its part count is known).
    bool allConfirmed(qint64 code) const;
    // A part that may not be written again.
    bool anyPartExhausted(qint64 code) const;
    // "C" or "E" once settled, else empty.
    QString status(qint64 code) const;
    QList<qint64> codes() const;
    QList<qint64> settledCodes() const;
    // Gives each held message its new code (rows renumbered); messages whose
    // code is not in the map are dropped. In memory; compact() writes it.
    void remap(const QHash<qint64, qint64>& oldToNew);

private:
    struct Part {
        bool confirmed = false;
        bool open = false;    // a body was begun and not written yet
        bool written = false; // a body was written and its answer is not known yet
        int unanswered = 0;
        int modemReference = -1;
    };
    struct Entry {
        QByteArray id;
        int total = 0;
        int mr = 0;
        QMap<int, Part> parts;
        QString status;
    };

    // Appends a record; synced unless sync is false.
    bool append(const QByteArray& line, bool sync = true);
    bool ensureOpen();
    void closeFile();
    void applyLine(const QByteArray& line);
    QByteArray recordsOf(qint64 code, const Entry& e) const;

    QString path_;
    int fd_ = -1;
    QHash<qint64, Entry> entries_;
};
