#pragma once

#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "store/RecordSet.h"
#include "store/Sqlite.h"

#include <optional>

namespace orvida {

// Reads that report their own failure in the standard text of the shared module ("... in
// procedura getDisconectedRecordset din Module Module1 Linia: ") and give none; the caller goes on
// with what it has.

// Opens the program folder's database; label 50 when it cannot be opened.
std::optional<store::Connection> openReported(const ProgramFolder& folder, MessageSink& sink);

// Runs a query and fetches every row; label 140 when the statement fails. The rows can be walked
// after the statement is gone.
std::optional<store::RecordSet>
readReported(store::Connection& connection, const QString& sql, MessageSink& sink, const QList<Value>& params = {});

} // namespace orvida
