#include "store/Recordsets.h"

#include "base/ErrorReport.h"
#include "store/Database.h"

namespace orvida {

std::optional<store::Connection> openReported(const ProgramFolder& folder, MessageSink& sink)
{
    auto connection = store::openDatabase(folder);
    if (!connection) {
        sink.show(report::module1(connection.failure(), report::names::ReadReportedProcedure, 50));
        return std::nullopt;
    }
    return std::move(connection).value();
}

std::optional<store::RecordSet>
readReported(store::Connection& connection, const QString& sql, MessageSink& sink, const QList<Value>& params)
{
    auto rows = store::fetchAll(connection, sql, params);
    if (!rows) {
        sink.show(report::module1(rows.failure(), report::names::ReadReportedProcedure, 140));
        return std::nullopt;
    }
    return std::move(rows).value();
}

} // namespace orvida
