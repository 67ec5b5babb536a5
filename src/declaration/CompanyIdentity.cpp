#include "declaration/CompanyIdentity.h"

#include "base/ErrorReport.h"
#include "store/Database.h"

#include <QStringList>

namespace orvida::declaration {

namespace {

Failure missingColumn(const QString& column)
{
    return { err::ItemNotFound, QStringLiteral("Coloana %1 lipseste din tabela Zet_Info.").arg(column) };
}

// A company field: missing, or stored as empty text, gives its default.
QString identityField(const Value& v, const QString& fallback)
{
    if (v.isNull() || v.isEmpty() || v.isEmptyText())
        return fallback;
    return v.toText();
}

std::optional<Failure> codeFailure(const QString& code, CodeUse use)
{
    const bool leaves = code.contains(QLatin1Char('/')) || code.contains(QLatin1Char('\\'));
    if (use == CodeUse::Folder) {
        // The code names a folder: it must stay one folder inside D394.
        if (leaves || code == QLatin1String(".") || code == QLatin1String(".."))
            return Failure { err::PathFileAccess,
                             QStringLiteral("Codul fiscal %1 nu poate fi nume de folder.").arg(code) };
    } else if (leaves) {
        // The code is part of the file names: it must not lead them into another folder.
        return Failure { err::PathFileAccess,
                         QStringLiteral("Codul fiscal %1 nu poate face parte din numele unui fisier.").arg(code) };
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> declarantCheck(const Declarant& d, const QString& noun)
{
    if (d.name.isEmpty())
        return QStringLiteral("Va rog completati Nume ") + noun;
    if (d.firstName.isEmpty())
        return QStringLiteral("Va rog completati Prenume ") + noun;
    if (d.function.isEmpty())
        return QStringLiteral("Va rog completati Functie ") + noun;
    return std::nullopt;
}

QString CompanyIdentity::adresa() const
{
    return QStringList { Judet1, Oras1, Strada1, Nr1, Bloc1, Ap1 }.join(QLatin1Char(' '));
}

QString companyCode(const QString& codFiscal)
{
    const QString code = codFiscal.trimmed();
    if (!code.startsWith(QLatin1String("RO"), Qt::CaseInsensitive))
        return code;
    qsizetype from = 2;
    while (from < code.size() && code[from].isSpace())
        ++from;
    return code.mid(from);
}

Result<CompanyIdentity> readCompanyIdentity(store::Connection& connection, CodeUse use, CompanyStep& failedStep)
{
    failedStep = CompanyStep::Row;
    auto info = store::fetchAll(connection, QStringLiteral("Select * from zet_Info"));
    if (!info)
        return info.failure();
    if (info->isEmpty())
        return Failure { err::NoCurrentRecord, QStringLiteral("Tabela Zet_Info nu are nicio inregistrare.") };

    failedStep = CompanyStep::Code;
    CompanyIdentity c;
    const QString codeColumn = QStringLiteral("CODFISCAL");
    if (!info->hasColumn(codeColumn))
        return missingColumn(codeColumn);
    const Value codFiscal = info->value(0, codeColumn);
    if (codFiscal.isNull() || codFiscal.isEmpty())
        return Failure { err::InvalidUseOfNull, QStringLiteral("Utilizare incorecta a valorii Null") };
    c.cui = companyCode(codFiscal.toText());
    if (auto refused = codeFailure(c.cui, use))
        return *refused;

    failedStep = CompanyStep::Identity;
    const struct
    {
        const char* column;
        QString* target;
    } fields[] = {
        { "Denumire", &c.Denumire }, { "Judet1", &c.Judet1 }, { "Oras1", &c.Oras1 }, { "Strada1", &c.Strada1 },
        { "Nr1", &c.Nr1 },           { "Bloc1", &c.Bloc1 },   { "Ap1", &c.Ap1 },     { "Telefon1", &c.Telefon1 },
        { "Fax1", &c.Fax1 },         { "Email1", &c.Email1 },
    };
    for (const auto& f : fields) {
        const QString column = QLatin1String(f.column);
        if (!info->hasColumn(column))
            return missingColumn(column);
        *f.target
            = identityField(info->value(0, column), f.target == &c.Bloc1 ? QStringLiteral("  ") : QStringLiteral(" "));
    }
    return c;
}

} // namespace orvida::declaration
