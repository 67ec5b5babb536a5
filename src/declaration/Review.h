#pragma once

#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "declaration/PartnerTotals.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QTextStream>

#include <optional>

namespace orvida::declaration {

// What the review found; the order is the order in which findings are listed.
enum class FindingKind {
    SchemaVersion, // the period is past what the document's version covers
    ControlDigit, // a declared code fails the control digit of the Romanian fiscal code
    CodeSeveralNames, // one code on several lines under different names
    NameSeveralCodes, // one name on several lines under different codes
    NegativeTotals, // a partner's base or VAT is below zero
    LeftOut, // journal rows the screening keeps out of the declaration
    Reconciliation, // the journal's totals differ from declared + left out
};

// A short Romanian label of the kind, for the tables and the exports.
QString findingKindLabel(FindingKind kind);

struct Finding
{
    FindingKind kind = FindingKind::SchemaVersion;
    std::optional<Journal> journal;
    QString partner; // the name(s) as stored
    QString code; // the code as declared, or as stored when the row is left out
    bool hasAmounts = false;
    double base = 0;
    double vat = 0;
    QString text; // what was found
    QString action; // what to do
};

// One journal's totals split the way the declaration treats its rows.
struct Reconciliation
{
    Journal journal = Journal::Purchases;
    qint64 rows = 0; // every row of the journal
    qint64 rowsWithoutVat = 0; // rows with neither VAT nor a reverse-charge base
    struct Column
    {
        double journal = 0; // the whole journal
        double declared = 0; // the declared lines
        double screenedOut = 0; // groups the screening leaves out
        double withoutVat = 0; // rows that do not take part
        double difference() const { return journal - declared - screenedOut - withoutVat; }
    };
    Column base, vat;
};

struct Review
{
    QDate start, end;
    QList<PartnerRow> purchases; // the declaration's lines, in its order
    QList<PartnerRow> sales;
    QList<Reconciliation> reconciliation; // purchases, then sales
    QList<Finding> findings;
};

// The control digit of the Romanian fiscal code: the digits before the last, padded on the left
// to nine, weighted 7 5 3 2 1 7 5 3 2; the sum times 10 modulo 11 (10 counts as 0) must equal the
// last digit. Only codes of 2 to 10 digits without a leading zero pass; a leading "RO" (any case)
// and surrounding spaces are ignored.
bool controlDigitValid(const QString& code);

// Reviews the declaration from 2012 on for a period without writing anything: the lines exactly as
// the declaration would write them and the findings. The period and the company are checked with
// the declaration's own messages, sent to `sink`; none when the review stopped.
std::optional<Review>
reviewDeclaration(const ProgramFolder& folder, const QDate& start, const QDate& end, MessageSink& sink);

// An amount with two decimals, rounded as the declaration rounds it ("1250.46", "-2.38").
QString reviewAmount(double value);

// The review as the command line prints it, written as it goes.
void printReview(const Review& review, QTextStream& out);

} // namespace orvida::declaration
