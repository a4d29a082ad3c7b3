#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QMimeData;

// What a drag inside the main window carries: the list it came from, the
// table its rows belong to (for messages: tbinqueue, tboutqueue or tboutlog;
// empty for the SIM and address lists) and the keys of the dragged rows
// (message codes, or numbers). The drop side checks the source and table
// before it acts, so a row is never taken for one of another table.
struct DragItems {
    QString source; // "lsvMessage", "lsvSIM", "lsvAddress"
    QString table;
    QStringList keys;
};

namespace dragpayload {

inline constexpr const char* kMimeType = "application/x-velquarin-items";

QMimeData* encode(const DragItems& items);
std::optional<DragItems> decode(const QMimeData* data);

} // namespace dragpayload
