#include "store/Recordsets.h"

#include "base/ErrorReport.h"
#include "store/Database.h"

namespace orvida {

std::optional<store::RecordSet>
getDisconectedRecordset(const ProgramFolder& folder, const QString& sql, MessageSink& sink, const QList<Value>& params)
{
    const QString procedure = QStringLiteral("getDisconectedRecordset");
    auto connection = store::openDatabase(folder);
    if (!connection) {
        sink.show(report::module1(connection.failure(), procedure, 50));
        return std::nullopt;
    }
    auto rows = store::fetchAll(*connection, sql, params);
    if (!rows) {
        sink.show(report::module1(rows.failure(), procedure, 140));
        return std::nullopt;
    }
    return std::move(rows).value();
}

Result<store::RecordSet> getStaticRecordset(const ProgramFolder& folder, const QString& sql, const QList<Value>& params)
{
    return store::query(folder, sql, params);
}

Status ExecuteSql(const ProgramFolder& folder, const QString& sql, const QList<Value>& params)
{
    return store::execute(folder, sql, params);
}

} // namespace orvida
