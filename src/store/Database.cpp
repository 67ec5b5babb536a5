#include "store/Database.h"

namespace orvida::store {

Result<Connection> openDatabase(const ProgramFolder& folder)
{
    return Connection::open(folder.databasePath());
}

Result<RecordSet> fetchAll(Connection& connection, const QString& sql, const QList<Value>& params)
{
    auto stmt = connection.prepare(sql);
    if (!stmt)
        return stmt.failure();
    if (Status s = stmt->bindAll(params); !s)
        return s.failure();
    RecordSet rs;
    const int n = stmt->columnCount();
    for (int i = 0; i < n; ++i)
        rs.columns << stmt->columnName(i);
    for (;;) {
        auto more = stmt->step();
        if (!more)
            return more.failure();
        if (!*more)
            break;
        QList<Value> row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.append(stmt->column(i));
        rs.rows.append(std::move(row));
    }
    return rs;
}

Result<RecordSet> query(const ProgramFolder& folder, const QString& sql, const QList<Value>& params)
{
    auto c = openDatabase(folder);
    if (!c)
        return c.failure();
    return fetchAll(*c, sql, params);
}

Status execute(const ProgramFolder& folder, const QString& sql, const QList<Value>& params)
{
    auto r = executeCounted(folder, sql, params);
    if (!r)
        return r.failure();
    return {};
}

Result<int> executeCounted(const ProgramFolder& folder, const QString& sql, const QList<Value>& params)
{
    auto c = openDatabase(folder);
    if (!c)
        return c.failure();
    auto stmt = c->prepare(sql);
    if (!stmt)
        return stmt.failure();
    if (Status s = stmt->bindAll(params); !s)
        return s.failure();
    if (Status s = stmt->run(); !s)
        return s.failure();
    return c->changes();
}

Result<bool> reclaimFreePages(Connection& connection)
{
    auto count = [&](const QString& pragma) -> Result<qint64> {
        auto rs = fetchAll(connection, pragma);
        if (!rs)
            return rs.failure();
        return rs->isEmpty() ? 0 : rs->rows[0][0].toInteger();
    };
    auto free = count(QStringLiteral("PRAGMA freelist_count"));
    if (!free)
        return free.failure();
    auto pages = count(QStringLiteral("PRAGMA page_count"));
    if (!pages)
        return pages.failure();
    auto pageSize = count(QStringLiteral("PRAGMA page_size"));
    if (!pageSize)
        return pageSize.failure();
    if (*free * 4 <= *pages || *free * *pageSize <= 1024 * 1024)
        return false;
    if (Status s = connection.exec(QStringLiteral("VACUUM")); !s)
        return s.failure();
    return true;
}

} // namespace orvida::store
