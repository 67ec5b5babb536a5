#include "store/Schema.h"

#include "base/ErrorReport.h"
#include "store/Sqlite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace orvida::store {

namespace schema {

QStringList companyInfoTextColumns()
{
    return { QStringLiteral("DENUMIRE"),   QStringLiteral("TIP"),        QStringLiteral("NREGCOM"),
             QStringLiteral("CODFISCAL"),  QStringLiteral("CAPSOC"),     QStringLiteral("FP"),
             QStringLiteral("RAMURA"),     QStringLiteral("PLATITVA"),   QStringLiteral("TITULAR"),
             QStringLiteral("DEPARTAMEN"), QStringLiteral("BANCA"),      QStringLiteral("CONTBANCAR"),
             QStringLiteral("STRADA1"),    QStringLiteral("NR1"),        QStringLiteral("BLOC1"),
             QStringLiteral("AP1"),        QStringLiteral("ORAS1"),      QStringLiteral("JUDET1"),
             QStringLiteral("SECTOR1"),    QStringLiteral("CODPOSTAL1"), QStringLiteral("TELEFON1"),
             QStringLiteral("FAX1"),       QStringLiteral("EMAIL1"),     QStringLiteral("STRADA2"),
             QStringLiteral("NR2"),        QStringLiteral("BLOC2"),      QStringLiteral("AP2"),
             QStringLiteral("ORAS2"),      QStringLiteral("JUDET2"),     QStringLiteral("CODPOSTAL2"),
             QStringLiteral("TELEFON2"),   QStringLiteral("FAX2"),       QStringLiteral("EMAIL2") };
}

QStringList companyParamsDateColumns()
{
    return { QStringLiteral("DATAIN"),  QStringLiteral("DATASN"), QStringLiteral("DATAIN1"),
             QStringLiteral("DATASN1"), QStringLiteral("DATAIC"), QStringLiteral("DATASC") };
}

static QString amounts(int from, int to)
{
    QString s;
    for (int i = from; i <= to; ++i)
        s += QStringLiteral(", COL%1 REAL NOT NULL DEFAULT 0").arg(i);
    return s;
}

QString createStatements()
{
    QString info = QStringLiteral("CREATE TABLE Zet_Info (");
    for (const QString& c : companyInfoTextColumns())
        info += c + QStringLiteral(" TEXT, ");
    info += QStringLiteral("PlanC INTEGER);\n");

    QString par = QStringLiteral("CREATE TABLE Zet_Par (");
    for (const QString& c : companyParamsDateColumns())
        par += c + QStringLiteral(" TEXT, ");
    par += QStringLiteral(
        "EsteCentru INTEGER, Banca TEXT, Casa TEXT, Client TEXT, Creditori TEXT, Debitori TEXT, CDIFCONV TEXT, "
        "VDIFCONV TEXT, VENSCFARADED TEXT, Furniz TEXT, PROFIT TEXT, VENSCCUDED TEXT, VENEXPORT TEXT, "
        "TVACumparare TEXT, TVAVanzare TEXT, FurnizoriImobilizari TEXT, TVANeexigibila TEXT, Capital INTEGER, "
        "Chelt INTEGER, IMO INTEGER, STOC INTEGER, VENIT INTEGER, ContCheltDifConversie TEXT, "
        "ContVenitDifConversie TEXT, Abatere REAL, CODSucursalaInNote INTEGER, ProcPenalizare REAL);\n");

    const QString purchases
        = QStringLiteral("CREATE TABLE zet_jct_UE (NUME TEXT, CODF TEXT, TOTAL REAL NOT NULL DEFAULT 0")
        + amounts(6, 17) + QStringLiteral(");\n");
    const QString sales = QStringLiteral("CREATE TABLE zet_jvt_UE (NUME TEXT, CODF TEXT, TOTAL REAL NOT NULL DEFAULT 0")
        + amounts(6, 10) + QStringLiteral(");\n");
    return info + par + purchases + sales;
}

} // namespace schema

Status createSchema(Connection& connection, int year)
{
    Transaction tx(connection);
    if (!tx.begun())
        return tx.begun();
    if (Status s = connection.exec(schema::createStatements()); !s)
        return s;
    if (Status s = connection.exec(QStringLiteral("INSERT INTO Zet_Info (PlanC) VALUES (0)")); !s)
        return s;
    auto ins = connection.prepare(QStringLiteral(
        "INSERT INTO Zet_Par (DATAIN, DATASN, DATAIN1, DATASN1, DATAIC, DATASC, EsteCentru, Capital, Chelt, IMO, "
        "STOC, VENIT, Abatere, CODSucursalaInNote, ProcPenalizare) VALUES (?, ?, ?, ?, ?, ?, 0, 0, 0, 0, 0, 0, 0, 0, "
        "0)"));
    if (!ins)
        return ins.failure();
    const QString y = QString::number(year);
    const QString y1 = QString::number(year + 1);
    if (Status s
        = ins->bindAll({ y + QStringLiteral("-01-01"), y + QStringLiteral("-12-31"), y1 + QStringLiteral("-01-01"),
                         y1 + QStringLiteral("-12-31"), y + QStringLiteral("-01-01"), y + QStringLiteral("-12-31") });
        !s)
        return s;
    if (Status s = ins->run(); !s)
        return s;
    return tx.commit();
}

Result<InitOutcome> initDatabase(const ProgramFolder& folder, int year)
{
    const QString target = folder.databasePath();
    if (QFileInfo::exists(target))
        return InitOutcome::AlreadyExists;
    if (!QDir().mkpath(folder.path()))
        return Failure { err::PathFileAccess, QStringLiteral("Folderul %1 nu poate fi creat.").arg(folder.path()) };

    if (!QFileInfo(folder.path()).isWritable())
        return Failure { err::PermissionDenied,
                         QStringLiteral("Folderul %1 este protejat la scriere: baza de date nu poate fi creata.")
                             .arg(QDir::toNativeSeparators(folder.path())) };

    // Built under a temporary name and renamed at the end, so a failed init leaves no half-made file.
    const QString temp = folder.file(QStringLiteral(".Orvida-%1.tmp").arg(QUuid::createUuid().toString(QUuid::Id128)));
    auto removeTemp = [&] {
        for (const char* suffix : { "", "-wal", "-shm", "-journal" })
            QFile::remove(temp + QLatin1String(suffix));
    };
    {
        auto c = Connection::create(temp);
        if (!c) {
            removeTemp();
            Failure f = c.failure();
            if (f.number == err::DiskFull) {
                f.description.replace(temp, target);
                return f;
            }
            f.number = err::PathFileAccess;
            f.description = QStringLiteral("Baza de date nu poate fi creata in folderul %1 (%2).")
                                .arg(folder.path(), f.description);
            return f;
        }
        if (Status s = createSchema(*c, year); !s) {
            removeTemp();
            Failure f = s.failure();
            f.description.replace(temp, target); // the name the user knows
            return f;
        }
    } // closing the last connection checkpoints and removes the WAL file
    if (QFileInfo::exists(target)) { // made meanwhile by another copy of the program
        removeTemp();
        return InitOutcome::AlreadyExists;
    }
    if (!QFile::rename(temp, target)) {
        removeTemp();
        return Failure { err::PathFileAccess, QStringLiteral("Baza de date %1 nu poate fi scrisa.").arg(target) };
    }
    return InitOutcome::Created;
}

} // namespace orvida::store
