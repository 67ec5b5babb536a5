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
#include "declaration/TextValues.h"
#include "store/Database.h"

#include <QSet>
#include <QStringList>

#include <cmath>

namespace orvida::declaration {

namespace {

// The statement labels of the semester declaration, as the failure report names them.
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

Failure partnerOverflow(const QString& code)
{
    return {
        err::Overflow,
        QStringLiteral("Suma partenerului cu codul fiscal %1 depaseste domeniul valorilor (Overflow).").arg(code)
    };
}

// Everything a run builds before it writes: the texts, the codes listed so far, the totals.
struct Texts
{
    bool restoring = false; // the restore text is written (not the report): its lines are built
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
        appendCsvLine(t.errorDetails,
                      { journalLabel(passJournal(pass)), nume.toText(), codf.toText(),
                        rejectionReason(rule.acceptance, code, t.listed) });
        ++t.rejected;
    }
    return std::nullopt;
}

void appendNumber(QString& out, const NumberChars& n)
{
    out.append(n.latin1());
}

// Adds one accepted partner's amounts to the pass's text and to the totals.
void addAmounts(SemesterPass pass, const QString& code, const QString& name, double base, double vat, Texts& t)
{
    const double wholeBase = text::roundHalfEven(base, 0);
    const double wholeVat = text::roundHalfEven(vat, 0);
    switch (pass) {
    case SemesterPass::C:
    case SemesterPass::D: {
        QString& out = t.strRestaurat;
        appendBareValue(out, code);
        out.append(QLatin1Char(','));
        appendNumber(out, NumberChars::rounded(base + vat, 2));
        out.append(QLatin1Char(','));
        appendNumber(out, NumberChars::rounded(base, 2));
        out.append(QLatin1Char(','));
        appendNumber(out, NumberChars::rounded(vat, 2));
        out.append(Crlf);
        break;
    }
    case SemesterPass::E:
    case SemesterPass::F: {
        QString& out = t.amounts;
        out.append(pass == SemesterPass::E ? QLatin1String("#L#,") : QLatin1String("#A#,"));
        appendBareValue(out, code);
        out.append(QLatin1Char(','));
        appendTextValue(out, name);
        out.append(QLatin1Char(','));
        // The sales are reported in whole units, the purchases with two decimals.
        appendNumber(out, pass == SemesterPass::E ? NumberChars::number(wholeBase) : NumberChars::rounded(base, 2));
        out.append(QLatin1Char(','));
        appendNumber(out, pass == SemesterPass::E ? NumberChars::number(wholeVat) : NumberChars::rounded(vat, 2));
        out.append(Crlf);
        break;
    }
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

// Walks a journal's partner totals with a pass's rule. Returns the number of rows. An amount that
// is not finite stops the run before anything is written.
Result<int> runPass(const store::RecordSet& rows, SemesterPass pass, Texts& t)
{
    const int cNume = rows.columnIndex(QStringLiteral("NUME"));
    const int cCodf = rows.columnIndex(QStringLiteral("CODF"));
    const int cBase = rows.columnIndex(QStringLiteral("Expr1"));
    const int cVat = rows.columnIndex(QStringLiteral("TVA"));
    const bool listing = pass == SemesterPass::A || pass == SemesterPass::B;
    // A partner's line takes about 50 characters: one reservation for the pass.
    if (!listing || t.restoring) {
        QString& text = pass == SemesterPass::E || pass == SemesterPass::F ? t.amounts : t.strRestaurat;
        text.reserve(text.size() + 56 * rows.size());
    }
    for (const QList<Value>& r : rows.rows) {
        const auto code = screenRow(pass, r[cNume], r[cCodf], t);
        if (!code)
            continue;
        if (listing) {
            if (t.restoring) {
                appendBareValue(t.strRestaurat, *code);
                t.strRestaurat.append(QLatin1Char(','));
                appendTextValue(t.strRestaurat, r[cNume].toText());
                t.strRestaurat.append(Crlf);
            }
            t.listed.insert(*code);
            ++t.totals.NRTERTI;
            continue;
        }
        const double base = r[cBase].isNull() ? 0.0 : r[cBase].toDouble();
        const double vat = r[cVat].isNull() ? 0.0 : r[cVat].toDouble();
        if (!std::isfinite(base) || !std::isfinite(vat) || !std::isfinite(base + vat))
            return partnerOverflow(*code);
        addAmounts(pass, *code, r[cNume].toText(), base, vat, t);
    }
    return int(rows.size());
}

bool finite(const SemesterTotals& t)
{
    return std::isfinite(t.nBazaLivrari) && std::isfinite(t.nTVALivrari) && std::isfinite(t.nBazaAchizitii)
        && std::isfinite(t.nTVAAchizitii);
}

// The semester within the fiscal year; month arithmetic keeps the day, clamped to the month.
Status semesterPeriod(bool firstSemester, const company::CompanyParameters& parameters, SemesterResult& result)
{
    result.semester = firstSemester ? 1 : 2;
    if (result.semester == 1) {
        result.start = dates::fromSerial(parameters.DataIN).date();
        result.end = result.start.addMonths(6);
    } else {
        result.end = dates::fromSerial(parameters.DataSN).date();
        result.start = result.end.addMonths(-6);
    }
    if (!result.start.isValid() || !result.end.isValid())
        return Failure { err::TypeMismatch, QStringLiteral("Exercitiul financiar nu are date valide.") };
    result.year = QStringLiteral("%1").arg(result.end.year(), 4, 10, QLatin1Char('0'));
    return Status::success();
}

// The checks of the checked period and the declarant, in order: the first message, or none.
std::optional<QString> inputCheckSemester(const DeclarationInputs& in, const QDate& today)
{
    if (in.checkedFrom > in.checkedTo || in.checkedFrom > today)
        return QStringLiteral("Data de inceput trebuie sa fie mai mica ca cea de sfarsit sau ca cea prezenta");
    return declarantCheck(in.declarant, QStringLiteral("Declarant"));
}

constexpr CompanyLabels CompanyLabelsSemester { LCompanyRow, LCompanyCode, LIdentification };

// The identification block: name, address, phone, fax, e-mail, separated by "#,#"; the text
// values' closing "#" on the outside are the caller's.
QString identification(const CompanyIdentity& c)
{
    QStringList values;
    for (const QString& v : { c.Denumire, c.adresa(), c.Telefon1, c.Fax1, c.Email1 })
        values << textContent(v);
    return values.join(QStringLiteral("#,#"));
}

// The partner list (both modes), then the amounts of the report or of the restore text. Each
// journal is grouped once: the listing passes select and group the lines as the amount passes do,
// so they walk the amount passes' rows. Both journals are grouped on two threads.
std::optional<StepFailure>
runPasses(store::Connection& connection, const ProgramFolder& folder, Texts& t, MessageSink& sink)
{
    const auto [purchases, sales]
        = journalTotals(folder, connection, semesterTotals(Journal::Purchases), semesterTotals(Journal::Sales));
    if (!sales)
        return StepFailure { sales.failure(), LPassA };
    if (!purchases)
        return StepFailure { purchases.failure(), LPassB };
    if (auto a = runPass(*sales, SemesterPass::A, t); !a)
        return StepFailure { a.failure(), LPassA };
    auto b = runPass(*purchases, SemesterPass::B, t);
    if (!b)
        return StepFailure { b.failure(), LPassB };
    if (*b == 0)
        sink.show(Message::info(QStringLiteral("Va rog listati Jurnalul de cumparari cu TVA pe un semestru")));
    t.strRestaurat += QStringLiteral("STOP1") + Crlf;

    if (!t.restoring) {
        if (auto e = runPass(*sales, SemesterPass::E, t); !e)
            return StepFailure { e.failure(), LPassE };
        if (auto f = runPass(*purchases, SemesterPass::F, t); !f)
            return StepFailure { f.failure(), LPassF };
        return std::nullopt;
    }
    if (auto c = runPass(*purchases, SemesterPass::C, t); !c)
        return StepFailure { c.failure(), LPassC };
    t.strRestaurat += QStringLiteral("STOP2") + Crlf;
    if (auto d = runPass(*sales, SemesterPass::D, t); !d)
        return StepFailure { d.failure(), LPassD };
    return std::nullopt;
}

// The report's identification line with the totals in their places, then its partner lines, in
// Windows-1250. The company's texts and the partner lines are never searched for the totals.
QByteArray reportBytes(const SemesterResult& result, const QString& id, const Texts& t)
{
    const SemesterTotals& tot = t.totals;
    const QString line = QStringLiteral("394,") + bareValue(result.code) + QLatin1Char(',')
        + QStringLiteral("#S%1#,").arg(result.semester) + result.year + QStringLiteral(",#") + id + QStringLiteral("#,")
        + QStringLiteral(",##,##,##,##,##,") + numberText(qint64(tot.NRTERTI)) + QLatin1Char(',')
        + numberText(tot.nBazaLivrari) + QLatin1Char(',') + numberText(tot.nTVALivrari) + QLatin1Char(',')
        + numberText(tot.nBazaAchizitii) + QLatin1Char(',') + numberText(tot.nTVAAchizitii) + Crlf;
    QByteArray bytes;
    bytes.reserve(line.size() + t.amounts.size());
    text::appendCp1250(bytes, line);
    text::appendCp1250(bytes, t.amounts);
    return bytes;
}

// Writes the report or the restore file, then the error list when a partner was rejected, each
// followed by its message.
std::optional<StepFailure> writeFiles(const DeclarationContext& ctx,
                                      bool reportMode,
                                      const QString& id,
                                      const Texts& t,
                                      SemesterResult& result,
                                      MessageSink& sink)
{
    const SemesterFolders folders = semesterFolders(ctx.folder, ctx.authorityProgram);
    if (reportMode) {
        result.declarationFile = folders.report + reportFileName(result.semester, result.start, result.code);
        if (Status s = saveBytes(result.declarationFile, reportBytes(result, id, t)); !s)
            return StepFailure { s.failure(), LSaveReport };
    } else {
        result.declarationFile = folders.restore + restoreFileName(result.semester, result.year, result.code);
        if (Status s = saveCp1250(result.declarationFile, t.strRestaurat); !s)
            return StepFailure { s.failure(), LSaveRestore };
    }
    sink.show(fileWrittenMessage(result.declarationFile));

    // The error list is written only when a partner was rejected; an earlier list stays otherwise.
    if (t.rejected > 0) {
        if (Status s = saveCp1250(folders.errorList, t.strErori + Crlf); !s)
            return StepFailure { s.failure(), LSaveErrors };
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
            return StepFailure { s.failure(), LSaveErrors };
        result.errorListFile = folders.errorList;
        sink.show(errorListMessage(folders.errorList));
    } else {
        sink.show(noErrorsMessage());
    }
    return std::nullopt;
}

} // namespace

DeclarationOutcome runSemesterDeclaration(const DeclarationInputs& in, const DeclarationContext& ctx, MessageSink& sink)
{
    DeclarationOutcome outcome;
    SemesterResult& result = outcome.semester.emplace();
    if (Status s = semesterPeriod(in.firstSemester, ctx.parameters, result); !s)
        return stoppedByFailure(outcome, s.failure(), LSemester, sink);
    const QDate today = ctx.clock.now().date();
    if (auto check = inputCheckSemester(in, today))
        return stoppedByCheck(outcome, *check, sink);

    // One connection serves the run; the sales journal is read on a second one beside it.
    auto connection = store::openDatabase(ctx.folder);
    if (!connection)
        return stoppedByFailure(outcome, connection.failure(), LCompanyRow, sink);
    CompanyStep step = CompanyStep::Row;
    auto company = readCompanyIdentity(*connection, CodeUse::FileName, step);
    if (!company)
        return stoppedByFailure(outcome, company.failure(), CompanyLabelsSemester.of(step), sink);
    result.code = company->cui;

    Texts t;
    t.restoring = !in.reportFile;
    t.strErori = dates::shortDate(today) + Crlf;
    const QString id = identification(*company);
    t.strRestaurat = QStringLiteral(" 1") + Crlf + result.year + QStringLiteral(",#S%1#,##,##,").arg(result.semester)
        + bareValue(result.code) + QStringLiteral(",#") + id + QStringLiteral("#,")
        + QStringLiteral("##,##,##,,##,##,##,##,##") + Crlf;
    if (auto f = runPasses(*connection, ctx.folder, t, sink))
        return stoppedByFailure(outcome, f->failure, f->label, sink);
    if (!finite(t.totals))
        return stoppedByFailure(
            outcome,
            { err::Overflow, QStringLiteral("Totalurile declaratiei depasesc domeniul valorilor (Overflow).") },
            LTotals, sink);
    result.totals = t.totals;

    if (auto f = writeFiles(ctx, in.reportFile, id, t, result, sink))
        return stoppedByFailure(outcome, f->failure, f->label, sink);

    auto rows = store::fetchAll(*connection, QStringLiteral("SELECT * FROM ZET_INFO "));
    if (!rows)
        return stoppedByFailure(outcome, rows.failure(), LSummary, sink);
    auto page = makeSummaryPage(*rows, result.semester, result.start, result.totals);
    if (!page)
        return stoppedByFailure(outcome, page.failure(), LSummary, sink);
    result.summary = std::move(page).value();
    outcome.end = DeclarationOutcome::End::Written;
    return outcome;
}

} // namespace orvida::declaration
