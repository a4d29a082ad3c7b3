#pragma once
// The operator codes shipped in tboperators, read by country and operator
// name for the operator list. The table is only read. Names compare without
// regard to case, so "Vodafone" and "VODAFONE" are one operator.
#include <QString>
#include <QStringList>

class Database;

namespace compose {

class OperatorList {
public:
    explicit OperatorList(Database& db) : db_(db) {}

    // The countries, each once, in name order.
    QStringList countries() const;
    // The operators of a country, each once, in name order.
    QStringList operators(const QString& country) const;
    // The code of the first row of that country and operator; empty when
    // there is none.
    QString code(const QString& country, const QString& operatorName) const;

    // The country and operator of the first row with that code; false (and
    // both left alone) when no row has it or the code is empty.
    bool find(const QString& code, QString* country, QString* operatorName) const;

private:
    Database& db_;
};

} // namespace compose
