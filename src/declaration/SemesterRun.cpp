#include "declaration/SemesterRun.h"

#include "base/Dates.h"
#include "base/ErrorReport.h"
#include "base/Text.h"
#include "declaration/DeclarationRun.h"
#include "declaration/NumberText.h"
#include "declaration/ReviewExport.h"
#include "declaration/SaveFile.h"
#include "declaration/SemesterFiles.h"
#include "declaration/SemesterPasses.h"
#include "store/Database.h"

#include <QSet>

namespace orvida::declaration {

namespace {

// The statement labels of the semester path of cmdCalcul_Click, as the failure report names them.
// They follow those of the path from 2012 on; a report names them, so they never change.
enum Label {
    LSemester = 30,
    LDateCheck = 31,
    LDeclarant = 32,
    LStart = 33,
    LCompanyRow = 34,
    LCompanyCode = 35,
    LIdentification = 36,
    LPassA = 37,
    LPassB = 38,
    LStop1 = 39,
    LPassC = 40,
    LPassD = 41,
    LPassE = 42,
    LPassF = 43,
    LTotals = 44,
    LFolders = 45,
    LSaveReport = 46,
    LSaveRestore = 47,
    LFileMessage = 48,
    LSaveErrors = 49,
    LErrorsMessage = 50,
    LSummary = 51,
};
static_assert(LSummary == SemesterSummaryLabel);

const QString Crlf = QStringLiteral("\r\n");

Message inputCheck(const QString& text)
{
    Message m = Message::check(text);
    m.box = BoxKind::Standard;
    return m;
}

Failure missingColumn(const QString& column, const QString& table)
{
    return { err::ItemNotFound, QStringLiteral("Coloana %1 lipseste din tabela %2.").arg(column, table) };
}

// A company identity field: missing, or stored as empty text, gives its default.
QString identityField(const Value& v, const QString& fallback)
{
    if (v.isNull() || v.isEmpty() || v.isEmptyText())
        return fallback;
    return v.toText();
}

QString N(double value, int decimals)
{
    return numberText(text::roundHalfEven(value, decimals));
}

// Everything a run builds before it writes: the texts, the codes listed so far, the totals.
struct Texts
{
    QString strRestaurat;
    QString amounts; // the report's partner lines; its identification line is formed at the end
    QString strErori;
    QString errorDetails; // the same partners with their codes and reasons, for D394_Erori_detalii.csv
    int rejected = 0;
    QSet<QString> listed;
    SemesterTotals totals;
};

// Screens one partner row with the pass's rule: the partner code, or none when it is skipped.
std::optional<QString> screenRow(SemesterPass pass, const Value& nume, const Value& codf, Texts& t)
{
    const ScreeningRule rule = passRule(pass);
    if (!passesPreFilter(rule.preFilter, nume, codf))
        return std::nullopt;
    QString code = normaliseCode(codf.toText());
    if (accepts(rule.acceptance, code, t.listed))
        return code;
    if (rule.rejection == Rejection::Reported) {
        t.strErori += rejectionLine(passJournal(pass), nume.toText());
        t.errorDetails += csvLine({ journalLabel(passJournal(pass)), nume.toText(), codf.toText(),
                                    rejectionReason(rule.acceptance, code, t.listed) });
        ++t.rejected;
    }
    return std::nullopt;
}

// Runs a pass's query and walks its rows. Returns the number of rows the query gave.
Result<int> runPass(const ProgramFolder& folder, SemesterPass pass, Texts& t)
{
    auto rows = store::query(folder, passQuery(pass));
    if (!rows)
        return rows.failure();
    const int cNume = rows->columnIndex(QStringLiteral("NUME"));
    const int cCodf = rows->columnIndex(QStringLiteral("CODF"));
    const int cBase = rows->columnIndex(QStringLiteral("Expr1"));
    const int cVat = rows->columnIndex(QStringLiteral("TVA"));
    const bool listing = pass == SemesterPass::A || pass == SemesterPass::B;
    for (const QList<Value>& r : rows->rows) {
        const auto code = screenRow(pass, r[cNume], r[cCodf], t);
        if (!code)
            continue;
        if (listing) {
            t.strRestaurat += *code + QStringLiteral(",#") + r[cNume].toText() + QLatin1Char('#') + Crlf;
            t.listed.insert(*code);
            ++t.totals.NRTERTI;
            continue;
        }
        const double base = r[cBase].isNull() ? 0.0 : r[cBase].toDouble();
        const double vat = r[cVat].isNull() ? 0.0 : r[cVat].toDouble();
        const double wholeBase = text::roundHalfEven(base, 0);
        const double wholeVat = text::roundHalfEven(vat, 0);
        switch (pass) {
        case SemesterPass::C:
        case SemesterPass::D:
            t.strRestaurat += *code + QLatin1Char(',') + N(base + vat, 2) + QLatin1Char(',') + N(base, 2)
                + QLatin1Char(',') + N(vat, 2) + Crlf;
            break;
        case SemesterPass::E:
            t.amounts += QStringLiteral("#L#,") + *code + QStringLiteral(",#") + r[cNume].toText()
                + QStringLiteral("#,") + N(base, 0) + QLatin1Char(',') + N(vat, 0) + Crlf;
            break;
        case SemesterPass::F:
            t.amounts += QStringLiteral("#A#,") + *code + QStringLiteral(",#") + r[cNume].toText()
                + QStringLiteral("#,") + N(base, 2) + QLatin1Char(',') + N(vat, 2) + Crlf;
            break;
        default:
            break;
        }
        if (passJournal(pass) == Journal::Sales) {
            t.totals.nBazaLivrari += wholeBase;
            t.totals.nTVALivrari += wholeVat;
        } else {
            t.totals.nBazaAchizitii += wholeBase;
            t.totals.nTVAAchizitii += wholeVat;
        }
    }
    return int(rows->size());
}

} // namespace

SemesterResult runSemesterDeclaration(const DeclarationInputs& in, const DeclarationContext& ctx, MessageSink& sink)
{
    SemesterResult result;
    auto fail = [&](const Failure& f, int label) {
        sink.show(report::declarationRun(f, label));
        return result;
    };
    const bool reportMode = in.Check1;

    // The semester within the fiscal year; month arithmetic keeps the day, clamped to the month.
    result.semester = in.Option1 ? 1 : 2;
    if (result.semester == 1) {
        result.SemStart = dates::fromSerial(ctx.paraSoc.DataIN).date();
        result.SemEnd = result.SemStart.addMonths(6);
    } else {
        result.SemEnd = dates::fromSerial(ctx.paraSoc.DataSN).date();
        result.SemStart = result.SemEnd.addMonths(-6);
    }
    if (!result.SemStart.isValid() || !result.SemEnd.isValid())
        return fail({ err::TypeMismatch, QStringLiteral("Exercitiul financiar nu are date valide.") }, LSemester);
    result.strAn = QStringLiteral("%1").arg(result.SemEnd.year(), 4, 10, QLatin1Char('0'));

    const QDate today = ctx.clock.now().date();
    if (in.DTPickerdela > in.DTPickerla || in.DTPickerdela > today) {
        sink.show(inputCheck(
            QStringLiteral("Data de inceput trebuie sa fie mai mica ca cea de sfarsit sau ca cea prezenta")));
        return result;
    }
    if (in.TextNume.isEmpty()) {
        sink.show(inputCheck(QStringLiteral("Va rog completati Nume Declarant")));
        return result;
    }
    if (in.TextPrenume.isEmpty()) {
        sink.show(inputCheck(QStringLiteral("Va rog completati Prenume Declarant")));
        return result;
    }
    if (in.TextFunctie.isEmpty()) {
        sink.show(inputCheck(QStringLiteral("Va rog completati Functie Declarant")));
        return result;
    }

    Texts t;
    t.strErori = dates::shortDate(today) + Crlf;
    t.strRestaurat = QStringLiteral(" 1") + Crlf;

    const QString table = QStringLiteral("Zet_Info");
    auto info = store::query(ctx.folder, QStringLiteral("Select * from zet_Info"));
    if (!info)
        return fail(info.failure(), LCompanyRow);
    if (info->isEmpty())
        return fail({ err::NoCurrentRecord, QStringLiteral("Tabela Zet_Info nu are nicio inregistrare.") },
                    LCompanyRow);
    if (!info->hasColumn(QStringLiteral("CODFISCAL")))
        return fail(missingColumn(QStringLiteral("CODFISCAL"), table), LCompanyCode);
    const Value codFiscal = info->value(0, QStringLiteral("CODFISCAL"));
    if (codFiscal.isNull() || codFiscal.isEmpty())
        return fail({ err::InvalidUseOfNull, QStringLiteral("Utilizare incorecta a valorii Null") }, LCompanyCode);
    result.strCodFiscal = companyCode(codFiscal.toText());
    // The code is part of the file names: it must not lead them into another folder.
    if (result.strCodFiscal.contains(QLatin1Char('/')) || result.strCodFiscal.contains(QLatin1Char('\\')))
        return fail(
            { err::PathFileAccess,
              QStringLiteral("Codul fiscal %1 nu poate face parte din numele unui fisier.").arg(result.strCodFiscal) },
            LCompanyCode);

    // The identification block: name, address, phone, fax, e-mail, separated by "#,#".
    QStringList id;
    for (const char* column :
         { "Denumire", "Judet1", "Oras1", "Strada1", "Nr1", "Bloc1", "Ap1", "Telefon1", "Fax1", "Email1" }) {
        const QString c = QLatin1String(column);
        if (!info->hasColumn(c))
            return fail(missingColumn(c, table), LIdentification);
        id << identityField(info->value(0, c),
                            c == QLatin1String("Bloc1") ? QStringLiteral("  ") : QStringLiteral(" "));
    }
    const QString ID = id[0] + QStringLiteral("#,#") + QStringList(id.mid(1, 6)).join(QLatin1Char(' '))
        + QStringLiteral("#,#") + id[7] + QStringLiteral("#,#") + id[8] + QStringLiteral("#,#") + id[9];
    const QString S = QStringLiteral("#S%1#,").arg(result.semester);
    t.strRestaurat += result.strAn + QStringLiteral(",#S%1#,##,##,").arg(result.semester) + result.strCodFiscal
        + QStringLiteral(",#") + ID + QStringLiteral("#,") + QStringLiteral("##,##,##,,##,##,##,##,##") + Crlf;

    // The partner list, in both modes.
    if (auto a = runPass(ctx.folder, SemesterPass::A, t); !a)
        return fail(a.failure(), LPassA);
    auto b = runPass(ctx.folder, SemesterPass::B, t);
    if (!b)
        return fail(b.failure(), LPassB);
    if (*b == 0)
        sink.show(Message::info(QStringLiteral("Va rog listati Jurnalul de cumparari cu TVA pe un semestru")));
    t.strRestaurat += QStringLiteral("STOP1") + Crlf;

    if (reportMode) {
        if (auto e = runPass(ctx.folder, SemesterPass::E, t); !e)
            return fail(e.failure(), LPassE);
        if (auto f = runPass(ctx.folder, SemesterPass::F, t); !f)
            return fail(f.failure(), LPassF);
    } else {
        if (auto c = runPass(ctx.folder, SemesterPass::C, t); !c)
            return fail(c.failure(), LPassC);
        t.strRestaurat += QStringLiteral("STOP2") + Crlf;
        if (auto d = runPass(ctx.folder, SemesterPass::D, t); !d)
            return fail(d.failure(), LPassD);
    }
    result.totals = t.totals;

    // The totals take their places in the report's identification line only; the company's texts
    // and the partner lines are never searched for them.
    const SemesterTotals& tot = t.totals;
    const QString strRaportat = QStringLiteral("394,") + result.strCodFiscal + QLatin1Char(',') + S + result.strAn
        + QStringLiteral(",#") + ID + QStringLiteral("#,") + QStringLiteral(",##,##,##,##,##,")
        + numberText(qint64(tot.NRTERTI)) + QLatin1Char(',') + numberText(tot.nBazaLivrari) + QLatin1Char(',')
        + numberText(tot.nTVALivrari) + QLatin1Char(',') + numberText(tot.nBazaAchizitii) + QLatin1Char(',')
        + numberText(tot.nTVAAchizitii) + Crlf + t.amounts;

    const SemesterFolders folders = semesterFolders(ctx.folder, ctx.authorityProgram);
    if (reportMode) {
        result.declarationFile = folders.report + reportFileName(result.semester, result.SemStart, result.strCodFiscal);
        if (Status s = saveCp1250(result.declarationFile, strRaportat); !s)
            return fail(s.failure(), LSaveReport);
    } else {
        result.declarationFile = folders.restore + restoreFileName(result.semester, result.strAn, result.strCodFiscal);
        if (Status s = saveCp1250(result.declarationFile, t.strRestaurat); !s)
            return fail(s.failure(), LSaveRestore);
    }
    sink.show(fileWrittenMessage(result.declarationFile));

    // The error list is written only when a partner was rejected; an earlier list stays otherwise.
    if (t.rejected > 0) {
        if (Status s = saveCp1250(folders.errorList, t.strErori + Crlf); !s)
            return fail(s.failure(), LSaveErrors);
        // The error list keeps its designed text (other programs read it); the codes and the reasons
        // go into a table beside it.
        const QString details = QChar(CsvByteOrderMark)
            + csvLine({ QStringLiteral("Jurnal"), QStringLiteral("Denumire"), QStringLiteral("Cod fiscal"),
                        QStringLiteral("Motiv") })
            + t.errorDetails;
        if (Status s = saveFile(ctx.folder.file(QStringLiteral("D394_Erori_detalii.csv")),
                                [&](QIODevice& out) {
                                    const QByteArray bytes = details.toUtf8();
                                    if (out.write(bytes) != bytes.size())
                                        return Status(Failure { err::PathFileAccess, out.errorString() });
                                    return Status::success();
                                });
            !s)
            return fail(s.failure(), LSaveErrors);
        result.errorListFile = folders.errorList;
        sink.show(errorListMessage(folders.errorList));
    } else {
        sink.show(noErrorsMessage());
    }
    result.completed = true;

    auto rows = store::query(ctx.folder, QStringLiteral("SELECT * FROM ZET_INFO "));
    if (!rows)
        return fail(rows.failure(), LSummary);
    auto page = makeSummaryPage(*rows, result.semester, result.SemStart, result.totals);
    if (!page)
        return fail(page.failure(), LSummary);
    result.summary = std::move(page).value();
    return result;
}

} // namespace orvida::declaration
