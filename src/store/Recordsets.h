#pragma once

#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "base/Result.h"
#include "store/RecordSet.h"

#include <optional>

namespace orvida {

// The shared record-set functions. Each behaves as if it had a connection of its own: it opens
// one, runs its statement and releases it before returning; the rows it hands back can be
// walked after that.

// Reports its own failure in the standard text ("... in procedura getDisconectedRecordset din
// Module Module1 Linia: " 50 when the database cannot be opened, 140 when the statement fails)
// and returns none.
std::optional<store::RecordSet> getDisconectedRecordset(const ProgramFolder& folder,
                                                        const QString& sql,
                                                        MessageSink& sink,
                                                        const QList<Value>& params = {});

// No handler of its own: the failure goes to the caller, which reports it under its own name.
Result<store::RecordSet>
getStaticRecordset(const ProgramFolder& folder, const QString& sql, const QList<Value>& params = {});

// A statement without rows; the failure goes to the caller.
Status ExecuteSql(const ProgramFolder& folder, const QString& sql, const QList<Value>& params = {});

} // namespace orvida
