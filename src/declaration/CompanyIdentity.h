#pragma once

#include "base/Result.h"
#include "store/Sqlite.h"

#include <QString>

#include <optional>

namespace orvida::declaration {

// The declarant's three boxes, as typed (never trimmed).
struct Declarant
{
    QString name;
    QString firstName = QStringLiteral(" ");
    QString function;
};

// The check message for the first empty box ("Va rog completati Nume " + noun, then Prenume and
// Functie), or none when all three are filled. Each declaration spells the noun its own way.
std::optional<QString> declarantCheck(const Declarant& declarant, const QString& noun);

// The company as the declarations show it: each field as stored, or its default (one space, two
// for Bloc1) when it is missing or stored as an empty text.
struct CompanyIdentity
{
    QString cui; // the company code
    QString Denumire, Judet1, Oras1, Strada1, Nr1, Bloc1, Ap1, Telefon1, Fax1, Email1;

    // Judet1 Oras1 Strada1 Nr1 Bloc1 Ap1, joined by single spaces.
    QString adresa() const;
};

// The company code: CODFISCAL without its surrounding spaces, then without a leading "RO" (any
// case) and the spaces after it. A code without that prefix is used whole.
QString companyCode(const QString& codFiscal);

// What the company code names besides its place in the declaration; each use has its own check.
enum class CodeUse {
    Folder, // the folder of the declaration from 2012 on, inside D394/
    FileName, // part of the semester files' names
};

// The step of reading the company that failed; each declaration reports it under its own label.
enum class CompanyStep { Row, Code, Identity };

struct CompanyLabels
{
    int row, code, identity;

    int of(CompanyStep step) const
    {
        return step == CompanyStep::Row ? row : step == CompanyStep::Code ? code : identity;
    }
};

// Reads the company from the first row of Zet_Info: the code (a Null or missing one is error 94),
// checked for its use, then the identity fields with their defaults. On a failure `failedStep`
// says which step failed.
Result<CompanyIdentity> readCompanyIdentity(store::Connection& connection, CodeUse use, CompanyStep& failedStep);

} // namespace orvida::declaration
