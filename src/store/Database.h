#pragma once

#include "base/ProgramFolder.h"
#include "base/Result.h"
#include "store/RecordSet.h"
#include "store/Sqlite.h"

namespace orvida::store {

// Opens the program folder's Orvida.mdb read-write; never creates it.
Result<Connection> openDatabase(const ProgramFolder& folder);

// Runs a query on a connection and fetches every row.
Result<RecordSet> fetchAll(Connection& connection, const QString& sql, const QList<Value>& params = {});

// The same on a connection of its own, opened and released within the call.
Result<RecordSet> query(const ProgramFolder& folder, const QString& sql, const QList<Value>& params = {});

// A statement without rows on a connection of its own.
Status execute(const ProgramFolder& folder, const QString& sql, const QList<Value>& params = {});

// The same, giving the number of rows the statement changed.
Result<int> executeCounted(const ProgramFolder& folder, const QString& sql, const QList<Value>& params = {});

// Gives the free pages back to the file system when they are many (more than a quarter of the file
// and more than a megabyte), as after a journal was emptied and filled again. Returns whether the
// file was compacted; it must be called outside a transaction.
Result<bool> reclaimFreePages(Connection& connection);

} // namespace orvida::store
