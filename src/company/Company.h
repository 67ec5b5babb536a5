#pragma once

#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "base/Result.h"
#include "base/Value.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace orvida::company {

// A column of Zet_Info that the configuration window edits, with the number of characters its
// box accepts.
struct InfoField
{
    QString column;
    int limit;
    bool visible; // false: a box the user does not see; its column is kept as it is
};
const QList<InfoField>& infoFields();
std::optional<InfoField> findInfoField(const QString& column); // without regard to case

// The six dates of the page "Exercitiu". A date that the row holds as Null stays unset.
struct FiscalDates
{
    std::optional<QDate> DATAIN, DATASN, DATAIN1, DATASN1, DATAIC, DATASC;

    std::optional<QDate>* field(const QString& column); // without regard to case; null when unknown
};

// The two single rows as the window holds them between opening and saving.
struct CompanyRecord
{
    bool hasInfoRow = false;
    bool hasParRow = false;
    QMap<QString, Value> info; // upper-case column -> value (Null where the row holds Null)
    FiscalDates dates;

    QString text(const QString& column) const { return info.value(column.toUpper()).toText(); }
};

// Reads the first row of Zet_Info and of Zet_Par. An empty table gives an empty record.
Result<CompanyRecord> loadCompany(const ProgramFolder& folder);

// The date checks of "Salvare", in order: the first that fails shows its message (stop icon,
// title "Validare") and the result is false.
bool checkFiscalDates(const FiscalDates& dates, MessageSink& sink);

// "Salvare": the identification is stored when the name is not empty, the dates when they pass
// checkFiscalDates; the two are independent. A storing failure shows the engine's description in the
// "Salvare" box and ends the command.
void saveCompany(const ProgramFolder& folder, const CompanyRecord& record, MessageSink& sink);

} // namespace orvida::company
