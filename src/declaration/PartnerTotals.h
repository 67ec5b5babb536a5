#pragma once

#include "base/ProgramFolder.h"
#include "base/Result.h"
#include "declaration/Screening.h"
#include "store/RecordSet.h"
#include "store/Sqlite.h"

#include <QList>
#include <QString>

#include <utility>

namespace orvida::declaration {

// What the partner totals sum for one journal: its table, a row's base, VAT and reverse-charge base,
// and the condition for a row to take part.
struct JournalColumns
{
    QString table;
    QString base;
    QString vat;
    QString reverseCharge;
    QString takesPart;
};
JournalColumns journalColumns(Journal journal);

// A grouped total over one journal's lines: one row per distinct (NUME, CODF) as stored, ordered by
// NUME then CODF (binary). Columns NUME, CODF, NrFac (lines with a code) when counted, then one sum
// per summed expression, of the lines that take part.
struct GroupedTotals
{
    QString table;
    QString takesPart;
    bool countLines = false;
    QList<std::pair<QString, QString>> sums; // column name, summed expression (at most three)
};
QString groupedTotalsSql(const GroupedTotals& totals);

// The same rows as groupedTotalsSql gives, value for value, from one pass over the journal into a
// table of groups sorted once at the end (the grouped query sorts every line).
Result<store::RecordSet> groupedTotals(store::Connection& connection, const GroupedTotals& totals);

// Whether each journal's totals came from chunks read on both threads, rather than from one pass
// or the grouped query (the tests and the benchmark look).
struct TotalsPaths
{
    bool purchases = false;
    bool sales = false;
};

// The purchase journal's and the sales journal's grouped totals, the same rows as groupedTotals
// gives for each, read on two threads: the connection's and one opened on the folder's database.
// Each journal is split into ranges of lines taken in turn by the threads while it sums whole
// amounts; a journal with other amounts is read in one pass instead.
std::pair<Result<store::RecordSet>, Result<store::RecordSet>> journalTotals(const ProgramFolder& folder,
                                                                            store::Connection& connection,
                                                                            const GroupedTotals& purchases,
                                                                            const GroupedTotals& sales,
                                                                            TotalsPaths* paths = nullptr);

// The partner totals of one journal: one row per distinct (NUME, CODF) as stored, ordered by NUME
// then CODF (binary). Columns NUME, CODF, NrFac (lines with a code), Expr1 (base), TVA, Taxare
// (reverse-charge base). Only lines with VAT or a reverse-charge base take part. Reverse-charge
// purchases carry their base in COL16 and their VAT in COL17.
QString partnerTotalsSql(Journal journal);
GroupedTotals partnerGroupedTotals(Journal journal);

// The same rows as partnerTotalsSql gives, from one pass over the journal.
Result<store::RecordSet> partnerTotals(store::Connection& connection, Journal journal);

// One accepted partner of the declaration from 2012 on.
struct PartnerRow
{
    QChar tip; // purchases "A" or "C" (reverse charge), sales "L" or "V"
    QString cuiP; // the screened code
    QString denP; // the name as stored (an empty name stays empty)
    qint64 nrFact = 0;
    double baza = 0;
    double tva = 0;

    bool operator==(const PartnerRow&) const = default;
};

// Screens a journal's partner totals with the rules from 2012 on, keeping the query's order.
QList<PartnerRow> acceptedPartners2012(Journal journal, const store::RecordSet& totals);

// Reads the journal's partner totals and screens them.
Result<QList<PartnerRow>> readPartners2012(store::Connection& connection, Journal journal);

} // namespace orvida::declaration
