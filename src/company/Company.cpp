#include "company/Company.h"

#include "base/Dates.h"
#include "base/ErrorReport.h"
#include "store/Database.h"
#include "store/Schema.h"

namespace orvida::company {

const QList<InfoField>& infoFields()
{
    static const QList<InfoField> fields = {
        { QStringLiteral("DENUMIRE"), 35, true }, { QStringLiteral("TIP"), 4, true },
        { QStringLiteral("NREGCOM"), 30, true },  { QStringLiteral("CODFISCAL"), 14, true },
        { QStringLiteral("CAPSOC"), 20, false },  { QStringLiteral("FP"), 4, false },
        { QStringLiteral("RAMURA"), 4, false },   { QStringLiteral("PLATITVA"), 1, false },
        { QStringLiteral("TITULAR"), 4, false },  { QStringLiteral("DEPARTAMEN"), 10, false },
        { QStringLiteral("BANCA"), 35, false },   { QStringLiteral("CONTBANCAR"), 30, false },
        { QStringLiteral("STRADA1"), 30, true },  { QStringLiteral("NR1"), 4, true },
        { QStringLiteral("BLOC1"), 4, true },     { QStringLiteral("AP1"), 4, true },
        { QStringLiteral("ORAS1"), 35, true },    { QStringLiteral("SECTOR1"), 3, true },
        { QStringLiteral("JUDET1"), 2, true },    { QStringLiteral("CODPOSTAL1"), 10, true },
        { QStringLiteral("TELEFON1"), 15, true }, { QStringLiteral("FAX1"), 15, true },
        { QStringLiteral("EMAIL1"), 30, true },   { QStringLiteral("STRADA2"), 30, true },
        { QStringLiteral("NR2"), 4, true },       { QStringLiteral("BLOC2"), 4, true },
        { QStringLiteral("AP2"), 4, true },       { QStringLiteral("ORAS2"), 35, true },
        { QStringLiteral("JUDET2"), 2, true },    { QStringLiteral("CODPOSTAL2"), 10, true },
        { QStringLiteral("TELEFON2"), 15, true }, { QStringLiteral("FAX2"), 15, true },
        { QStringLiteral("EMAIL2"), 30, true },
    };
    return fields;
}

std::optional<InfoField> findInfoField(const QString& column)
{
    for (const InfoField& f : infoFields())
        if (f.column.compare(column, Qt::CaseInsensitive) == 0)
            return f;
    return std::nullopt;
}

std::optional<QDate>* FiscalDates::field(const QString& column)
{
    const QString c = column.toUpper();
    if (c == QLatin1String("DATAIN"))
        return &DATAIN;
    if (c == QLatin1String("DATASN"))
        return &DATASN;
    if (c == QLatin1String("DATAIN1"))
        return &DATAIN1;
    if (c == QLatin1String("DATASN1"))
        return &DATASN1;
    if (c == QLatin1String("DATAIC"))
        return &DATAIC;
    if (c == QLatin1String("DATASC"))
        return &DATASC;
    return nullptr;
}

Result<CompanyRecord> loadCompany(const ProgramFolder& folder)
{
    auto connection = store::openDatabase(folder);
    if (!connection)
        return connection.failure();
    CompanyRecord record;
    auto info = store::fetchAll(*connection, QStringLiteral("SELECT * FROM Zet_Info ORDER BY rowid LIMIT 1"));
    if (!info)
        return info.failure();
    if (!info->isEmpty()) {
        record.hasInfoRow = true;
        for (int c = 0; c < info->columns.size(); ++c)
            record.info.insert(info->columns[c].toUpper(), info->rows[0][c]);
    }
    auto par = store::fetchAll(*connection,
                               QStringLiteral("SELECT DATAIN, DATASN, DATAIN1, DATASN1, DATAIC, DATASC "
                                              "FROM Zet_Par ORDER BY rowid LIMIT 1"));
    if (!par)
        return par.failure();
    if (!par->isEmpty()) {
        record.hasParRow = true;
        for (const QString& column : store::schema::companyParamsDateColumns()) {
            const Value v = par->value(0, column);
            if (v.isNull())
                continue;
            auto dt = dates::fromValue(v);
            if (!dt)
                return dt.failure();
            *record.dates.field(column) = dt->date();
        }
    }
    return record;
}

bool checkFiscalDates(const FiscalDates& d, MessageSink& sink)
{
    auto show = [&sink](const QString& text) {
        Message m = Message::check(text);
        m.box = BoxKind::Standard;
        m.icon = Icon::Stop;
        m.title = QStringLiteral("Validare");
        sink.show(m);
        return false;
    };
    if (!d.DATAIN || !d.DATASN || !d.DATAIN1 || !d.DATASN1 || !d.DATAIC || !d.DATASC) {
        sink.show(report::companyWindow(
            Failure { err::InvalidUseOfNull, QStringLiteral("Una dintre datele exercitiului nu este completata.") },
            report::names::FiscalDatesProcedure, 0));
        return false;
    }
    const QString cannot = QStringLiteral(" Salvarea nu se poate efectua !");
    if (*d.DATAIN > *d.DATASN)
        return show(QStringLiteral("Data de inceput a exercitiului trebuie sa fie mai mica decat data de sfarsit !")
                    + cannot);
    if (*d.DATAIN1 <= *d.DATASN)
        return show(QStringLiteral("Data de inceput a exercitiului N+1 trebuie sa fie mai mare decat data de sfarsit a "
                                   "exercitiului N !")
                    + cannot);
    if (*d.DATAIN1 > *d.DATASN1)
        return show(QStringLiteral("Data de inceput a exercitiului N+1 trebuie sa fie mai mica decat data de sfarsit !")
                    + cannot);
    if (*d.DATAIC > *d.DATASC)
        return show(
            QStringLiteral("Data de inceput a perioadei de culegere trebuie sa fie mai mica decat data de sfarsit !")
            + cannot);
    if (*d.DATAIC < *d.DATAIN || *d.DATAIC > *d.DATASN1)
        return show(QStringLiteral("Perioada de culegere trebuie sa fie cuprinsa in exercitiul N,N+1 !") + cannot);
    if (*d.DATASC > *d.DATASN1)
        return show(QStringLiteral("Perioada de culegere trebuie sa fie cuprinsa in exercitiul N, N+1 !") + cannot);
    if (d.DATASN->daysTo(*d.DATAIN1) > 1)
        return show(
            QStringLiteral("Data de inceput a exercitiului N+1 trebuie sa fie ziua urmatoare datei de sfarsit a "
                           "exercitiului N !")
            + cannot);
    return true;
}

namespace {

Failure noRow(const QString& table)
{
    return { err::NoCurrentRecord, QStringLiteral("Tabela %1 nu are nicio inregistrare.").arg(table) };
}

// One connection serves a save. It is opened when the first row is stored, so a save that
// stores nothing never opens the database.
class SaveConnection
{
public:
    explicit SaveConnection(const ProgramFolder& folder)
        : m_folder(folder)
    { }

    // Runs an update; gives the number of rows it changed.
    Result<int> update(const QString& sql, const QList<Value>& values)
    {
        if (!m_connection) {
            auto opened = store::openDatabase(m_folder);
            if (!opened)
                return opened.failure();
            m_connection.emplace(std::move(opened).value());
        }
        auto statement = m_connection->prepare(sql);
        if (!statement)
            return statement.failure();
        if (Status s = statement->bindAll(values); !s)
            return s.failure();
        if (Status s = statement->run(); !s)
            return s.failure();
        return m_connection->changes();
    }

private:
    const ProgramFolder& m_folder;
    std::optional<store::Connection> m_connection;
};

// An update that finds no row (another window or program emptied the table meanwhile) stored
// nothing: it is a failure, not a success.
Status storeFirstRow(SaveConnection& db, const QString& table, const QString& sql, const QList<Value>& values)
{
    auto changed = db.update(sql, values);
    if (!changed)
        return changed.failure();
    if (*changed == 0)
        return noRow(table);
    return {};
}

Status storeIdentity(SaveConnection& db, const CompanyRecord& record)
{
    if (!record.hasInfoRow)
        return noRow(QStringLiteral("Zet_Info"));
    QStringList sets;
    QList<Value> values;
    for (const InfoField& f : infoFields()) {
        if (!record.info.contains(f.column))
            continue;
        sets << f.column + QStringLiteral(" = ?");
        values << record.info.value(f.column);
    }
    if (sets.isEmpty())
        return {};
    return storeFirstRow(db, QStringLiteral("Zet_Info"),
                         QStringLiteral("UPDATE Zet_Info SET ") + sets.join(QStringLiteral(", "))
                             + QStringLiteral(" WHERE rowid = (SELECT rowid FROM Zet_Info ORDER BY rowid LIMIT 1)"),
                         values);
}

Status storeDates(SaveConnection& db, const CompanyRecord& record)
{
    if (!record.hasParRow)
        return noRow(QStringLiteral("Zet_Par"));
    const FiscalDates& d = record.dates;
    return storeFirstRow(db, QStringLiteral("Zet_Par"),
                         QStringLiteral("UPDATE Zet_Par SET DATAIN = ?, DATASN = ?, DATAIN1 = ?, DATASN1 = ?, "
                                        "DATAIC = ?, DATASC = ? WHERE rowid = (SELECT rowid FROM Zet_Par ORDER BY "
                                        "rowid LIMIT 1)"),
                         { dates::toStored(*d.DATAIN), dates::toStored(*d.DATASN), dates::toStored(*d.DATAIN1),
                           dates::toStored(*d.DATASN1), dates::toStored(*d.DATAIC), dates::toStored(*d.DATASC) });
}

} // namespace

void saveCompany(const ProgramFolder& folder, const CompanyRecord& record, MessageSink& sink)
{
    SaveConnection db(folder);
    if (!record.text(QStringLiteral("DENUMIRE")).isEmpty()) {
        if (Status s = storeIdentity(db, record); !s) {
            sink.show(report::companySave(s.failure()));
            return;
        }
    } else {
        Message m = Message::check(
            QStringLiteral("Salvarea nu se poate efectua. Introduceti o denumire pentru societatea curenta !"));
        m.box = BoxKind::Standard;
        m.icon = Icon::Stop;
        m.title = QStringLiteral("Configurare societate");
        sink.show(m);
    }
    if (!record.hasParRow) {
        sink.show(report::companySave(noRow(QStringLiteral("Zet_Par"))));
        return;
    }
    if (checkFiscalDates(record.dates, sink)) {
        if (Status s = storeDates(db, record); !s)
            sink.show(report::companySave(s.failure()));
    }
}

} // namespace orvida::company
