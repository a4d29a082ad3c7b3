#include "compose/CannedMessages.h"

#include "base/Database.h"
#include "base/TextUtil.h"

namespace compose {

const std::array<MergeField, 8>& mergeFields()
{
    static const std::array<MergeField, 8> fields{{
        {"{sa}", "{sa} Salutation", "addrslt"},
        {"{fn}", "{fn} First Name", "addrnam1"},
        {"{ln}", "{ln} Last Name", "addrnam2"},
        {"{mn}", "{mn} Mobile Phone Number", "addrno"},
        {"{co}", "{co} Company Name", "addrco"},
        {"{f1}", "{f1} Custom Field 1", "addrf1"},
        {"{f2}", "{f2} Custom Field 2", "addrf2"},
        {"{f3}", "{f3} Custom Field 3", "addrf3"},
    }};
    return fields;
}

QString cannedCountText(int length)
{
    return QStringLiteral(" %1 of %2 Characters").arg(length).arg(kMaxCannedText);
}

CannedMessages::CannedMessages(Database& db) : db_(db) {}

bool CannedMessages::titles(QStringList* out, QString* error)
{
    out->clear();
    const Recordset rs = db_.query(QStringLiteral("SELECT canttl FROM tbcannedmsg ORDER BY canttl"));
    if (!rs.ok()) {
        error_ = rs.error();
        if (error)
            *error = error_;
        return false;
    }
    for (int row = 0; row < rs.size(); ++row)
        out->append(NullToEmpty(rs.value(row, 0)));
    return true;
}

CannedMessages::Lookup CannedMessages::text(const QString& title, QString* text, QString* error)
{
    text->clear();
    const Recordset rs = db_.query(QStringLiteral("SELECT canmsg FROM tbcannedmsg WHERE canttl=?"), {title});
    if (!rs.ok()) {
        error_ = rs.error();
        if (error)
            *error = error_;
        return Lookup::Failed;
    }
    if (rs.isEmpty())
        return Lookup::Missing;
    *text = NullToEmpty(rs.value(0, 0));
    return Lookup::Found;
}

CannedMessages::Result CannedMessages::add(const QString& title, const QString& text, QString* storedTitle,
                                           QString* storedText)
{
    const QString t = trimBlanks(title);
    const QString m = trimBlanks(text);
    if (storedTitle)
        *storedTitle = t;
    if (storedText)
        *storedText = m;
    if (t.isEmpty())
        return Result::TitleBlank;
    const Recordset rs = db_.query(QStringLiteral("SELECT 1 FROM tbcannedmsg WHERE canttl=?"), {t});
    if (!rs.ok()) {
        error_ = rs.error();
        return Result::Failed;
    }
    if (!rs.isEmpty())
        return Result::TitleExists;
    if (m.isEmpty())
        return Result::TextBlank;
    if (!db_.exec(QStringLiteral("INSERT INTO tbcannedmsg (canttl,canmsg) VALUES (?,?)"), {t, m})) {
        error_ = db_.lastError();
        return Result::Failed;
    }
    return Result::Ok;
}

CannedMessages::Result CannedMessages::update(const QString& title, const QString& text, QString* storedText)
{
    const QString m = trimBlanks(text);
    if (storedText)
        *storedText = m;
    if (m.isEmpty())
        return Result::TextBlank;
    if (!db_.exec(QStringLiteral("UPDATE tbcannedmsg SET canmsg=? WHERE canttl=?"), {m, title})) {
        error_ = db_.lastError();
        return Result::Failed;
    }
    return Result::Ok;
}

bool CannedMessages::remove(const QString& title)
{
    if (!db_.exec(QStringLiteral("DELETE FROM tbcannedmsg WHERE canttl=?"), {title})) {
        error_ = db_.lastError();
        return false;
    }
    return true;
}

} // namespace compose
