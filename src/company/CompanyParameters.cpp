#include "company/CompanyParameters.h"

#include "base/Dates.h"
#include "base/ErrorReport.h"
#include "base/Values.h"
#include "store/Database.h"
#include "store/Recordsets.h"

#include <QList>

#include <functional>
#include <optional>

namespace orvida::company {

namespace {

Failure noRecordSet()
{
    return { err::ObjectNotSet,
             QStringLiteral("Tabela Zet_Par nu a putut fi citita (nu exista setul de inregistrari).") };
}

Failure noCurrentRow(const QString& table)
{
    return { err::NoCurrentRecord, QStringLiteral("Tabela %1 nu are nicio inregistrare.").arg(table) };
}

Failure missingColumn(const QString& column, const QString& table)
{
    return { err::ItemNotFound, QStringLiteral("Coloana %1 lipseste din tabela %2.").arg(column, table) };
}

Failure typeMismatch(const Value& v)
{
    return { err::TypeMismatch,
             QStringLiteral("Valoarea \"%1\" nu are tipul asteptat (Type mismatch).").arg(v.toText()) };
}

std::optional<double> asNumber(const Value& v)
{
    if (v.isNumber())
        return v.toDouble();
    if (v.isText()) {
        bool ok = false;
        const double d = v.toText().trimmed().toDouble(&ok);
        if (ok)
            return d;
    }
    return std::nullopt;
}

Result<quint8> asByte(const Value& v)
{
    auto d = asNumber(v);
    if (!d)
        return typeMismatch(v);
    const double r = std::nearbyint(*d);
    if (r < 0 || r > 255)
        return Failure { err::Overflow,
                         QStringLiteral("Valoarea %1 depaseste domeniul unui octet (Overflow).").arg(v.toText()) };
    return quint8(r);
}

Result<bool> asFlag(const Value& v)
{
    if (v.isText()) {
        const QString t = v.toText().trimmed();
        if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    auto d = asNumber(v);
    if (!d)
        return typeMismatch(v);
    return *d != 0.0;
}

using Step = std::function<std::optional<Failure>(const Value&)>;

Step text(QString& field, const Value& deflt)
{
    return [&field, deflt](const Value& v) -> std::optional<Failure> {
        field = Nz(v, deflt).toText();
        return std::nullopt;
    };
}

Step byte(quint8& field)
{
    return [&field](const Value& v) -> std::optional<Failure> {
        auto b = asByte(Nz(v, Value(0)));
        if (!b)
            return b.failure();
        field = *b;
        return std::nullopt;
    };
}

Step date(double& field, const QDateTime& now)
{
    return [&field, now](const Value& v) -> std::optional<Failure> {
        if (v.isNull()) {
            field = dates::toSerial(now);
            return std::nullopt;
        }
        auto d = dates::fromValue(Nz(v));
        if (!d)
            return d.failure();
        field = dates::toSerial(*d);
        return std::nullopt;
    };
}

Step real(double& field)
{
    return [&field](const Value& v) -> std::optional<Failure> {
        const Value n = Nz(v, Value(0));
        auto d = asNumber(n);
        if (!d)
            return typeMismatch(n);
        field = *d;
        return std::nullopt;
    };
}

Step flag(bool& field, const Value& deflt, bool negated)
{
    return [&field, deflt, negated](const Value& v) -> std::optional<Failure> {
        auto f = asFlag(Nz(v, deflt));
        if (!f)
            return f.failure();
        field = negated ? !*f : *f;
        return std::nullopt;
    };
}

struct Entry
{
    int label;
    const char* column;
    Step read;
};

// The columns of Zet_Par in the order they are read, each with the label its failure names.
QList<Entry> zetParSteps(CompanyParameters& p, const QDateTime& now)
{
    const Value emptyText { QString() };
    return {
        { 40, "Banca", text(p.Banca, emptyText) },
        { 50, "Casa", text(p.Casa, emptyText) },
        { 60, "Client", text(p.Client, emptyText) },
        { 70, "Creditori", text(p.Creditori, emptyText) },
        { 80, "Debitori", text(p.Debitori, emptyText) },
        { 90, "CDIFCONV", text(p.CDIFCONV, emptyText) },
        { 100, "VDIFCONV", text(p.VDIFCONV, emptyText) },
        { 110, "VENSCFARADED", text(p.VENSCFARADED, emptyText) },
        { 120, "Furniz", text(p.Furniz, emptyText) },
        { 130, "PROFIT", text(p.PROFIT, emptyText) },
        { 140, "VENSCCUDED", text(p.VENSCCUDED, emptyText) },
        { 150, "VENEXPORT", text(p.VENEXPORT, emptyText) },
        { 160, "TVACumparare", text(p.TVACumparare, emptyText) },
        { 170, "TVAVanzare", text(p.TVAVanzare, emptyText) },
        { 180, "FurnizoriImobilizari", text(p.FurnizoriImobilizari, Value(0)) },
        { 190, "TVANeexigibila", text(p.TVANeexigibila, Value(0)) },
        { 200, "Capital", byte(p.Capital) },
        { 210, "Chelt", byte(p.Chelt) },
        { 220, "IMO", byte(p.IMO) },
        { 230, "STOC", byte(p.STOC) },
        { 240, "VENIT", byte(p.VENIT) },
        { 250, "ContCheltDifConversie", text(p.ContCheltDifConversie, emptyText) },
        { 260, "ContVenitDifConversie", text(p.ContVenitDifConversie, emptyText) },
        { 270, "DataIN", date(p.DataIN, now) },
        { 280, "DataSN", date(p.DataSN, now) },
        // A Null gives the empty text, which is not a flag: the load stops here.
        { 290, "EsteCentru", flag(p.EsteCentru, emptyText, false) },
        { 300, "Abatere", real(p.Abatere) },
        { 310, "CODSucursalaInNote", flag(p.CODSucursalaInNote, Value(false), true) },
        { 320, "ProcPenalizare", real(p.ProcPenalizare) },
    };
}

// The first row of Zet_Par, step by step; `rs` is none when it could not be read.
std::optional<std::pair<Failure, int>>
readZetPar(const std::optional<store::RecordSet>& rs, CompanyParameters& p, const QDateTime& now)
{
    const QString table = QStringLiteral("Zet_Par");
    for (const Entry& e : zetParSteps(p, now)) {
        const QString column = QLatin1String(e.column);
        std::optional<Failure> failure;
        if (!rs)
            failure = noRecordSet();
        else if (rs->isEmpty())
            failure = noCurrentRow(table);
        else if (!rs->hasColumn(column))
            failure = missingColumn(column, table);
        else
            failure = e.read(rs->value(0, column));
        if (failure)
            return std::pair { *failure, e.label };
    }
    return std::nullopt;
}

// PlanC from the first row of Zet_Info.
std::optional<std::pair<Failure, int>> readPlanC(store::Connection& connection, CompanyParameters& p)
{
    auto info = store::fetchAll(connection, QStringLiteral("select PlanC from Zet_Info"));
    if (!info)
        return std::pair { info.failure(), 330 };
    if (info->isEmpty())
        return std::pair { noCurrentRow(QStringLiteral("Zet_Info")), 340 };
    const Value planC = Nz(info->rows[0][0], Value(0));
    auto n = asNumber(planC);
    if (!n)
        return std::pair { typeMismatch(planC), 340 };
    p.PlanC = qint32(std::nearbyint(*n));
    return std::nullopt;
}

} // namespace

Status loadCompanyParameters(const ProgramFolder& folder, const Clock& clock, CompanyParameters& p, MessageSink& sink)
{
    auto connection = openReported(folder, sink);
    std::optional<store::RecordSet> rs;
    if (connection)
        rs = readReported(*connection, QStringLiteral("select * from Zet_Par"), sink);
    auto failed = readZetPar(rs, p, clock.now());
    if (!failed)
        failed = readPlanC(*connection, p);
    if (!failed)
        return Status::success();
    sink.show(report::module1(failed->first, report::names::CompanyParametersProcedure, failed->second));
    return failed->first;
}

} // namespace orvida::company
