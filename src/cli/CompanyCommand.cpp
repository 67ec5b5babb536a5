#include "cli/Commands.h"

#include "base/Dates.h"
#include "company/Company.h"
#include "store/FileSystem.h"
#include "store/Schema.h"

namespace orvida::cli {

namespace {

int show(Context& ctx)
{
    auto record = company::loadCompany(ctx.folder);
    if (!record) {
        ctx.out << record.failure().description << Qt::endl;
        return exitcode::Failure;
    }
    if (!record->hasInfoRow)
        ctx.out << "Tabela Zet_Info nu are nicio inregistrare." << Qt::endl;
    for (const company::InfoField& f : company::infoFields())
        if (record->hasInfoRow)
            ctx.out << f.column << '=' << record->text(f.column) << Qt::endl;
    if (!record->hasParRow)
        ctx.out << "Tabela Zet_Par nu are nicio inregistrare." << Qt::endl;
    else
        for (const QString& column : store::schema::companyParamsDateColumns()) {
            const auto* d = record->dates.field(column);
            ctx.out << column << '=' << (d->has_value() ? dates::toStored(**d) : QString()) << Qt::endl;
        }
    ctx.out << store::journalDescription(ctx.folder) << Qt::endl;
    return exitcode::Done;
}

int set(const QStringList& assignments, Context& ctx)
{
    if (assignments.isEmpty()) {
        ctx.err << "company set asteapta cel putin o atribuire COLOANA=VALOARE." << Qt::endl;
        return exitcode::Usage;
    }
    auto loaded = company::loadCompany(ctx.folder);
    if (!loaded) {
        ctx.out << loaded.failure().description << Qt::endl;
        return exitcode::Failure;
    }
    company::CompanyRecord record = *loaded;
    // Every assignment is checked before anything is stored, as the window's boxes would refuse it.
    for (const QString& a : assignments) {
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            ctx.err << QStringLiteral("Atribuire gresita: %1 (se asteapta COLOANA=VALOARE).").arg(a) << Qt::endl;
            return exitcode::Usage;
        }
        const QString column = a.left(eq).trimmed();
        const QString value = a.mid(eq + 1);
        if (auto field = company::findInfoField(column)) {
            if (value.size() > field->limit) {
                ctx.err << QStringLiteral("Valoarea pentru %1 are %2 caractere; campul accepta cel mult %3.")
                               .arg(field->column)
                               .arg(value.size())
                               .arg(field->limit)
                        << Qt::endl;
                return exitcode::Usage;
            }
            record.info.insert(field->column, Value(value));
        } else if (auto* date = record.dates.field(column)) {
            auto d = dates::parseInput(value);
            if (!d) {
                ctx.err << QStringLiteral("Data gresita pentru %1: %2 (YYYY-MM-DD sau zz/LL/aaaa).")
                               .arg(column.toUpper(), value)
                        << Qt::endl;
                return exitcode::Usage;
            }
            *date = *d;
        } else {
            ctx.err << QStringLiteral("Coloana necunoscuta: %1.").arg(column) << Qt::endl;
            return exitcode::Usage;
        }
    }
    PrintingSink sink(ctx.out);
    company::saveCompany(ctx.folder, record, sink);
    return sink.exitCode();
}

} // namespace

int companyCommand(const QStringList& args, Context& ctx)
{
    QCommandLineParser p;
    if (!parseCommand(p, args, ctx))
        return exitcode::Usage;
    const QStringList pos = p.positionalArguments();
    if (pos.value(0) == QLatin1String("show") && pos.size() == 1)
        return show(ctx);
    if (pos.value(0) == QLatin1String("set"))
        return set(pos.mid(1), ctx);
    ctx.err << "Utilizare: orvida company show | orvida company set COLOANA=VALOARE ..." << Qt::endl;
    return exitcode::Usage;
}

} // namespace orvida::cli
