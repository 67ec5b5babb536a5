#pragma once

#include "base/Result.h"

#include <QString>

namespace orvida::store {

// Whether the file is an Orvida database (an SQLite file holding the tables Zet_Info and Zet_Par),
// judged without changing anything in it or beside it. Fails with the reason in Romanian, naming
// the file.
Status checkOrvidaDatabase(const QString& path);

// The same judgement for an SQLite file only: a missing file or one that is not SQLite passes,
// so that opening it reports why in the usual way.
Status checkOrvidaTables(const QString& path);

} // namespace orvida::store
