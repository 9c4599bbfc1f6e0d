#pragma once

#include "PreparedStatement.h"

#include <QSqlQuery>

namespace vxr {

class SqlDialect;
class StatementCanceller;

// A statement run through Qt's driver of the connection. The canceller, when
// given, is told while the statement runs, so that a cancel request can
// interrupt a wait on the server.
class QtPreparedStatement final : public PreparedStatement
{
public:
    // Throws DbError when the statement cannot be prepared.
    QtPreparedStatement(const QSqlDatabase &database, const QString &sql, const SqlDialect &dialect,
                        StatementCanceller *canceller);

    void execute(const QVariantList &values) override;
    bool next() override;
    QVariant value(int column) const override { return m_query.value(column); }
    void finish() override { m_query.finish(); }
    QVariant lastInsertId() const override { return m_query.lastInsertId(); }

private:
    QSqlQuery m_query;
    const SqlDialect &m_dialect;
    StatementCanceller *m_canceller;
};

} // namespace vxr
