#pragma once

#include "base/ProgramFolder.h"
#include "base/Result.h"

#include <QStringList>

namespace orvida::store {

// Column names as the program writes them. Names are matched without regard to case.
namespace schema {
inline const QString PurchaseJournal = QStringLiteral("zet_jct_UE");
inline const QString SalesJournal = QStringLiteral("zet_jvt_UE");
inline const QString CompanyInfo = QStringLiteral("Zet_Info");
inline const QString CompanyParams = QStringLiteral("Zet_Par");

QStringList companyInfoTextColumns(); // every text column of Zet_Info (PlanC is the integer one)
QStringList companyParamsDateColumns(); // DATAIN, DATASN, DATAIN1, DATASN1, DATAIC, DATASC
QString createStatements(); // the whole schema as SQL
} // namespace schema

enum class InitOutcome { Created, AlreadyExists };

// Creates the delivered database in the program folder: the tables, one empty company row and
// one parameter row with `year` as year N (and the collection period), year + 1 as year N+1.
// An existing Orvida.mdb is left untouched. The file appears only once it is complete.
Result<InitOutcome> initDatabase(const ProgramFolder& folder, int year);

// Creates the schema and the two single rows on an open, empty connection (tests use it too).
class Connection;
Status createSchema(Connection& connection, int year);

} // namespace orvida::store
