#include "declaration/DeclarationRun.h"

#include "base/ErrorReport.h"
#include "declaration/D394Document.h"
#include "declaration/SaveFile.h"
#include "store/Database.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <future>
#include <utility>

namespace orvida::declaration {

namespace {

// The statement labels of the declaration run, numbered 1, 2, 3... in the order of its steps, as the failure
// report names them. Only the steps that can fail appear in a report; the numbers stay fixed so a
// label read in a user's report points at one step.
enum Label {
    LDispatch = 1,
    LBaseFolder = 2,
    LReadDates = 3,
    LDateOrder = 4,
    LYear = 5,
    LYearCheck = 6,
    LMonth = 7,
    LType = 8,
    LDeclarant = 9,
    LCompanyRow = 10,
    LCompanyCode = 11,
    LDocument = 12,
    LIdentification = 13,
    LTextHeader = 14,
    LSummary = 15,
    LPurchases = 16,
    LSales = 17,
    LFinalFolder = 18,
    LSaveXml = 19,
    LXmlMessage = 20,
    LSaveText = 21,
    LTextMessage = 22,
};

// The checks of the period and the declarant, in order: the first message, or none.
std::optional<QString> inputCheck2012(const DeclarationInputs& in)
{
    if (in.from > in.to)
        return QStringLiteral("Data de inceput trebuie sa fie mai mica ca cea de sfarsit");
    if (in.from.year() < 2012)
        return QStringLiteral("Data de inceput trebuie sa fie mai mare de 2012");
    return declarantCheck(in.declarant, QStringLiteral("declarant"));
}

constexpr CompanyLabels CompanyLabels2012 { LCompanyRow, LCompanyCode, LIdentification };

D394Declaration declarationFor(const DeclarationInputs& in, const CompanyIdentity& company)
{
    const PeriodCodes period = periodCodes(in.from, in.to);
    D394Declaration d;
    d.luna = period.luna;
    d.an = period.an;
    d.tip_D394 = period.tip_D394;
    d.nume_declar = in.declarant.name;
    d.prenume_declar = in.declarant.firstName;
    d.functie_declar = in.declarant.function;
    d.variant2013 = in.variant2013;
    d.company = company;
    return d;
}

// A partner total that is not finite stops the run before any file is written.
std::optional<Failure> overflow(const QList<PartnerRow>& partners)
{
    for (const PartnerRow& r : partners)
        if (!std::isfinite(r.baza) || !std::isfinite(r.tva))
            return Failure { err::Overflow,
                             QStringLiteral(
                                 "Suma partenerului cu codul fiscal %1 depaseste domeniul valorilor (Overflow).")
                                 .arg(r.cuiP) };
    return std::nullopt;
}

// Both journals' partners, their totals read on two threads (the run's longest step). Purchases
// still come first in the files and in the failure order.
std::optional<StepFailure> readJournals(store::Connection& connection, const ProgramFolder& folder, D394Declaration& d)
{
    auto [purchaseTotals, salesTotals] = journalTotals(folder, connection, partnerGroupedTotals(Journal::Purchases),
                                                       partnerGroupedTotals(Journal::Sales));
    if (!purchaseTotals)
        return StepFailure { purchaseTotals.failure(), LPurchases };
    d.purchases = acceptedPartners2012(Journal::Purchases, *purchaseTotals);
    if (auto f = overflow(d.purchases))
        return StepFailure { *f, LPurchases };
    if (!salesTotals)
        return StepFailure { salesTotals.failure(), LSales };
    d.sales = acceptedPartners2012(Journal::Sales, *salesTotals);
    if (auto f = overflow(d.sales))
        return StepFailure { *f, LSales };
    return std::nullopt;
}

bool taken(const QString& path)
{
    const QFileInfo file(path);
    return file.exists() || file.isSymLink();
}

// The names of the run's two files, from one time stamp: "D394_dd.MM.yyyy - hh.mm.ss" with ".xml"
// and ".txt". An earlier declaration is never replaced: when either name is taken, the first of
// " (2)", " (3)"... after the stamp that leaves both names free is used for both.
std::pair<QString, QString> fileNames(const QString& folder, const Clock& clock)
{
    const QString stem
        = folder + QStringLiteral("/D394_") + clock.now().toString(QStringLiteral("dd.MM.yyyy - hh.mm.ss"));
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? stem : stem + QStringLiteral(" (%1)").arg(n);
        const QString xml = name + QStringLiteral(".xml");
        const QString text = name + QStringLiteral(".txt");
        if (!taken(xml) && !taken(text))
            return { xml, text };
    }
}

Message folderWrittenMessage(const QString& file, const QString& folder)
{
    return Message::info(QStringLiteral("Fisierul %1 a fost generat in catalogul %2.")
                             .arg(file, QDir::toNativeSeparators(folder)))
        .opening(Opens::Folder, folder);
}

// Writes the XML document, then the text file, each followed by its message. The messages name
// the folder, as designed; the outcome names the files. The text file's bytes are made on a
// thread of their own while the document's are; a failure still stops the run at the document.
DeclarationOutcome writeFiles(const D394Declaration& d, const QString& folder, const Clock& clock, MessageSink& sink)
{
    DeclarationOutcome outcome;
    const auto [xmlFile, textFile] = fileNames(folder, clock);
    auto text = std::async(std::launch::async, [&d] { return d394Text(d); });
    const auto xml = d394Xml(d);
    if (!xml)
        return stoppedByFailure(outcome, xml.failure(), LSaveXml, sink);
    if (Status s = saveBytes(xmlFile, *xml); !s)
        return stoppedByFailure(outcome, s.failure(), LSaveXml, sink);
    outcome.xmlFile = xmlFile;
    sink.show(folderWrittenMessage(QStringLiteral("D394.xml"), folder));

    if (Status s = saveBytes(textFile, text.get()); !s)
        return stoppedByFailure(outcome, s.failure(), LSaveText, sink);
    outcome.textFile = textFile;
    sink.show(folderWrittenMessage(QStringLiteral("D394.txt"), folder));
    outcome.end = DeclarationOutcome::End::Written;
    return outcome;
}

DeclarationOutcome run2012(const DeclarationInputs& in, const DeclarationContext& ctx, MessageSink& sink)
{
    // The base folder exists even when a check below stops the run.
    const QString baseFolder = ctx.folder.file(QStringLiteral("D394"));
    if (Status s = createFolder(baseFolder); !s)
        return stoppedByFailure({}, s.failure(), LBaseFolder, sink);

    if (auto check = inputCheck2012(in))
        return stoppedByCheck({}, *check, sink);

    // One connection serves the run.
    auto connection = store::openDatabase(ctx.folder);
    if (!connection)
        return stoppedByFailure({}, connection.failure(), LCompanyRow, sink);
    CompanyStep step = CompanyStep::Row;
    auto company = readCompanyIdentity(*connection, CodeUse::Folder, step);
    if (!company)
        return stoppedByFailure({}, company.failure(), CompanyLabels2012.of(step), sink);

    D394Declaration d = declarationFor(in, *company);
    if (auto f = readJournals(*connection, ctx.folder, d))
        return stoppedByFailure({}, f->failure, f->label, sink);

    const QString code = company->cui;
    const QString finalFolder = code.isEmpty() ? baseFolder : baseFolder + QLatin1Char('/') + code;
    if (Status s = createFolder(finalFolder); !s)
        return stoppedByFailure({}, s.failure(), LFinalFolder, sink);
    return writeFiles(d, finalFolder, ctx.clock, sink);
}

} // namespace

DeclarationOutcome stoppedByCheck(DeclarationOutcome outcome, const QString& check, MessageSink& sink)
{
    Message m = Message::check(check);
    m.box = BoxKind::Standard;
    sink.show(m);
    outcome.end = DeclarationOutcome::End::Check;
    return outcome;
}

DeclarationOutcome stoppedByFailure(DeclarationOutcome outcome, const Failure& f, int label, MessageSink& sink)
{
    sink.show(report::declarationRun(f, label));
    outcome.end = DeclarationOutcome::End::Failure;
    return outcome;
}

PeriodCodes periodCodes(const QDate& start, const QDate& end)
{
    PeriodCodes p;
    p.luna = QStringLiteral("%1").arg(end.month(), 2, 10, QLatin1Char('0'));
    p.an = QString::number(end.year());
    switch (end.month() - start.month() + 1) {
    case 1:
        p.tip_D394 = QStringLiteral("L");
        break;
    case 3:
        p.tip_D394 = QStringLiteral("T");
        break;
    case 6:
        p.tip_D394 = QStringLiteral("S");
        break;
    case 12:
        p.tip_D394 = QStringLiteral("A");
        break;
    default:
        break;
    }
    return p;
}

DeclarationOutcome runDeclaration(const DeclarationInputs& inputs, const DeclarationContext& context, MessageSink& sink)
{
    if (!inputs.rules2012)
        return runSemesterDeclaration(inputs, context, sink);
    return run2012(inputs, context, sink);
}

} // namespace orvida::declaration
