#include "declaration/DeclarationRun.h"

#include "base/ErrorReport.h"
#include "declaration/D394Document.h"
#include "declaration/SaveFile.h"
#include "store/Database.h"

#include <QDir>
#include <QFileInfo>

#include <future>

namespace orvida::declaration {

namespace {

// The statement labels of cmdCalcul_Click, numbered 1, 2, 3... in the order of its steps, as the failure
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

// Remembers what a run sent on to the window, so the outcome can say how it ended.
class WatchingSink : public MessageSink
{
public:
    explicit WatchingSink(MessageSink& inner)
        : m_inner(inner)
    { }
    void show(const Message& message) override
    {
        if (message.role == MessageRole::Check)
            m_check = true;
        if (message.role == MessageRole::Failure)
            m_failure = true;
        m_inner.show(message);
    }
    bool check() const { return m_check; }
    bool failure() const { return m_failure; }

private:
    MessageSink& m_inner;
    bool m_check = false;
    bool m_failure = false;
};

Message inputCheck(const QString& text)
{
    Message m = Message::check(text);
    m.box = BoxKind::Standard;
    return m;
}

Status makeFolder(const QString& path)
{
    if (QFileInfo(path).isDir())
        return Status::success();
    if (QDir().mkdir(path))
        return Status::success();
    return Failure { err::PathFileAccess,
                     QStringLiteral("Folderul %1 nu poate fi creat.").arg(QDir::toNativeSeparators(path)) };
}

// A company field as the declaration writes it: missing or empty text gives the default.
QString identityField(const Value& v, const QString& fallback = QStringLiteral(" "))
{
    if (v.isNull() || v.isEmpty() || v.isEmptyText())
        return fallback;
    return v.toText();
}

struct RunState
{
    DeclarationOutcome outcome;
    MessageSink& sink;

    DeclarationOutcome& fail(const Failure& f, int label)
    {
        sink.show(report::declarationRun(f, label));
        outcome.end = DeclarationOutcome::End::Failure;
        return outcome;
    }
    DeclarationOutcome& stop(const QString& check)
    {
        sink.show(inputCheck(check));
        outcome.end = DeclarationOutcome::End::Check;
        return outcome;
    }
};

QString timestamp(const Clock& clock)
{
    return clock.now().toString(QStringLiteral("dd.MM.yyyy - hh.mm.ss"));
}

DeclarationOutcome run2012(const DeclarationInputs& in, const DeclarationContext& ctx, MessageSink& sink)
{
    RunState st { {}, sink };

    // The base folder exists even when a check below stops the run.
    const QString baseFolder = ctx.folder.file(QStringLiteral("D394"));
    if (Status s = makeFolder(baseFolder); !s)
        return st.fail(s.failure(), LBaseFolder);

    const QDate start = in.DTPdela;
    const QDate end = in.DTPla;
    if (start > end)
        return st.stop(QStringLiteral("Data de inceput trebuie sa fie mai mica ca cea de sfarsit"));
    if (start.year() < 2012)
        return st.stop(QStringLiteral("Data de inceput trebuie sa fie mai mare de 2012"));
    const PeriodCodes period = periodCodes(start, end);

    if (in.TextNume.isEmpty())
        return st.stop(QStringLiteral("Va rog completati Nume declarant"));
    if (in.TextPrenume.isEmpty())
        return st.stop(QStringLiteral("Va rog completati Prenume declarant"));
    if (in.TextFunctie.isEmpty())
        return st.stop(QStringLiteral("Va rog completati Functie declarant"));

    auto info = store::query(ctx.folder, QStringLiteral("Select * from zet_Info"));
    if (!info)
        return st.fail(info.failure(), LCompanyRow);
    if (info->isEmpty())
        return st.fail({ err::NoCurrentRecord, QStringLiteral("Tabela Zet_Info nu are nicio inregistrare.") },
                       LCompanyRow);
    auto column = [&](const char* name) -> std::optional<Value> {
        const QString c = QString::fromLatin1(name);
        if (!info->hasColumn(c))
            return std::nullopt;
        return info->value(0, c);
    };
    auto missingColumn = [](const char* name) {
        return Failure { err::ItemNotFound,
                         QStringLiteral("Coloana %1 lipseste din tabela Zet_Info.").arg(QString::fromLatin1(name)) };
    };

    D394Declaration d;
    const auto codFiscal = column("CODFISCAL");
    if (!codFiscal)
        return st.fail(missingColumn("CODFISCAL"), LCompanyCode);
    if (codFiscal->isNull() || codFiscal->isEmpty())
        return st.fail({ err::InvalidUseOfNull, QStringLiteral("Utilizare incorecta a valorii Null") }, LCompanyCode);
    const QString strCodFiscal = companyCode(codFiscal->toText());
    // The code names a folder: it must stay one folder inside D394.
    if (strCodFiscal.contains(QLatin1Char('/')) || strCodFiscal.contains(QLatin1Char('\\'))
        || strCodFiscal == QLatin1String(".") || strCodFiscal == QLatin1String(".."))
        return st.fail(
            { err::PathFileAccess, QStringLiteral("Codul fiscal %1 nu poate fi nume de folder.").arg(strCodFiscal) },
            LCompanyCode);

    d.luna = period.luna;
    d.an = period.an;
    d.tip_D394 = period.tip_D394;
    d.nume_declar = in.TextNume;
    d.prenume_declar = in.TextPrenume;
    d.functie_declar = in.TextFunctie;
    d.variant2013 = in.CheckD394_2013;

    CompanyIdentity& c = d.company;
    c.cui = strCodFiscal;
    struct Field
    {
        const char* name;
        QString* target;
        QString fallback;
    } fields[] = {
        { "Denumire", &c.Denumire, QStringLiteral(" ") }, { "Judet1", &c.Judet1, QStringLiteral(" ") },
        { "Oras1", &c.Oras1, QStringLiteral(" ") },       { "Strada1", &c.Strada1, QStringLiteral(" ") },
        { "Nr1", &c.Nr1, QStringLiteral(" ") },           { "Bloc1", &c.Bloc1, QStringLiteral("  ") },
        { "Ap1", &c.Ap1, QStringLiteral(" ") },           { "Telefon1", &c.Telefon1, QStringLiteral(" ") },
        { "Fax1", &c.Fax1, QStringLiteral(" ") },         { "Email1", &c.Email1, QStringLiteral(" ") },
    };
    for (const Field& f : fields) {
        const auto v = column(f.name);
        if (!v)
            return st.fail(missingColumn(f.name), LIdentification);
        *f.target = identityField(*v, f.fallback);
    }

    // The two journals are grouped at once, each on a connection of its own; purchases still come
    // first in the files and in the failure order.
    auto salesRead = std::async(std::launch::async, [&] { return readPartners2012(ctx.folder, Journal::Sales); });
    auto purchases = readPartners2012(ctx.folder, Journal::Purchases);
    auto sales = salesRead.get();
    if (!purchases)
        return st.fail(purchases.failure(), LPurchases);
    d.purchases = std::move(purchases).value();
    if (!sales)
        return st.fail(sales.failure(), LSales);
    d.sales = std::move(sales).value();

    const QString finalFolder = strCodFiscal.isEmpty() ? baseFolder : baseFolder + QLatin1Char('/') + strCodFiscal;
    if (Status s = makeFolder(finalFolder); !s)
        return st.fail(s.failure(), LFinalFolder);
    const QString shownFolder = QDir::toNativeSeparators(finalFolder);

    const QString xmlFile = finalFolder + QStringLiteral("/D394_") + timestamp(ctx.clock) + QStringLiteral(".xml");
    if (Status s = saveFile(xmlFile, [&](QIODevice& out) { return writeD394Xml(d, out); }); !s)
        return st.fail(s.failure(), LSaveXml);
    st.outcome.xmlFile = xmlFile;
    sink.show(Message::info(QStringLiteral("Fisierul D394.xml a fost generat in catalogul ") + shownFolder
                            + QLatin1Char('.')));

    const QString textFile = finalFolder + QStringLiteral("/D394_") + timestamp(ctx.clock) + QStringLiteral(".txt");
    if (Status s = saveFile(textFile, [&](QIODevice& out) { return writeD394Text(d, out); }); !s)
        return st.fail(s.failure(), LSaveText);
    st.outcome.textFile = textFile;
    sink.show(Message::info(QStringLiteral("Fisierul D394.txt a fost generat in catalogul ") + shownFolder
                            + QLatin1Char('.')));

    st.outcome.end = DeclarationOutcome::End::Written;
    return st.outcome;
}

} // namespace

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

QString companyCode(const QString& codFiscal)
{
    return codFiscal.mid(2);
}

DeclarationOutcome
cmdCalcul_Click(const DeclarationInputs& inputs, const DeclarationContext& context, MessageSink& sink)
{
    if (!inputs.CheckD394_2012) {
        WatchingSink watch(sink);
        DeclarationOutcome outcome;
        outcome.semester = runSemesterDeclaration(inputs, context, watch);
        if (watch.failure())
            outcome.end = DeclarationOutcome::End::Failure;
        else if (watch.check() || !outcome.semester->completed)
            outcome.end = DeclarationOutcome::End::Check;
        else
            outcome.end = DeclarationOutcome::End::Written;
        return outcome;
    }
    return run2012(inputs, context, sink);
}

} // namespace orvida::declaration
