#include "declaration/Review.h"

#include "base/ErrorReport.h"
#include "base/Text.h"
#include "declaration/CompanyIdentity.h"
#include "store/Database.h"

#include <QMap>

#include <future>

namespace orvida::declaration {

namespace {

// The declaration's step numbers for the same reads, so a failure report reads the same.
constexpr CompanyLabels CompanyLabels2012 { 10, 11, 13 };
constexpr int LPurchases = 16;
constexpr int LSales = 17;

// The first period that the document's version no longer covers.
const QDate LaterSchema(2014, 1, 1);

QString quoted(const QString& s)
{
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString documents(qint64 n)
{
    return n == 1 ? QStringLiteral("1 document") : QStringLiteral("%1 documente").arg(n);
}

// One journal read for the review: the grouped partner totals and the journal's own sums.
struct JournalRead
{
    store::RecordSet totals;
    store::RecordSet sums;
};

Result<JournalRead> readJournal(const ProgramFolder& folder, Journal journal)
{
    auto totals = store::query(folder, partnerTotalsSql(journal));
    if (!totals)
        return totals.failure();
    const JournalColumns c = journalColumns(journal);
    // One pass over the journal, without grouping, so that it checks the grouped totals.
    const QString sql = QStringLiteral("SELECT Count(*), Total(CASE WHEN %1 THEN 0 ELSE 1 END), Total(%2), Total(%3), "
                                       "Total(CASE WHEN %1 THEN 0 ELSE %2 END), Total(CASE WHEN %1 THEN 0 ELSE %3 END) "
                                       "FROM %4")
                            .arg(c.takesPart, c.base, c.vat, c.table);
    auto sums = store::query(folder, sql);
    if (!sums)
        return sums.failure();
    return JournalRead { std::move(totals).value(), std::move(sums).value() };
}

// Why the screening left a group out. Called only for groups it refused, so the rule itself stays
// in the screening; this only names the part of it that failed.
QString leftOutReason(const ScreeningRule& rule, const Value& nume, const Value& codf)
{
    if (!hasValue(nume))
        return QStringLiteral("randuri fara numele partenerului");
    if (!hasValue(codf))
        return QStringLiteral("randuri fara cod fiscal");
    if (!passesPreFilter(rule.preFilter, nume, codf))
        return QStringLiteral("cod fiscal de 13 caractere (cod numeric personal)");
    return rejectionReason(rule.acceptance, normaliseCode(codf.toText()));
}

class Reviewer
{
public:
    explicit Reviewer(Review& review)
        : m_review(review)
    { }

    void addJournal(Journal journal, const JournalRead& read)
    {
        const QList<PartnerRow> lines = acceptedPartners2012(journal, read.totals);
        (journal == Journal::Purchases ? m_review.purchases : m_review.sales) = lines;

        Reconciliation rec;
        rec.journal = journal;
        // The stored code of each declared line, in the lines' order.
        QStringList storedCodes;
        const ScreeningRule rule = rule2012(journal);
        const store::RecordSet& t = read.totals;
        const int cNume = t.columnIndex(QStringLiteral("NUME"));
        const int cCodf = t.columnIndex(QStringLiteral("CODF"));
        const int cBase = t.columnIndex(QStringLiteral("Expr1"));
        const int cVat = t.columnIndex(QStringLiteral("TVA"));
        for (const QList<Value>& r : t.rows) {
            if (screen(rule, journal, r[cNume], r[cCodf])) {
                storedCodes.append(r[cCodf].toText());
                continue;
            }
            const double base = r[cBase].toDouble();
            const double vat = r[cVat].toDouble();
            rec.base.screenedOut += base;
            rec.vat.screenedOut += vat;
            Finding f = partnerFinding(FindingKind::LeftOut, journal, r[cNume].toText(), r[cCodf].toText(), base, vat);
            f.text
                = QStringLiteral("Randurile nu intra in declaratie: %1.").arg(leftOutReason(rule, r[cNume], r[cCodf]));
            f.action = QStringLiteral("Completati sau corectati numele si codul fiscal in jurnal si importati-l din "
                                      "nou, daca partenerul trebuie declarat.");
            m_leftOut.append(f);
        }

        for (const PartnerRow& line : lines) {
            rec.base.declared += line.baza;
            rec.vat.declared += line.tva;
        }
        checkLines(journal, lines, storedCodes);

        const QList<Value>& s = read.sums.rows.value(0);
        if (s.size() == 6) {
            rec.rows = s[0].toInteger();
            rec.rowsWithoutVat = s[1].toInteger();
            rec.base.journal = s[2].toDouble();
            rec.vat.journal = s[3].toDouble();
            rec.base.withoutVat = s[4].toDouble();
            rec.vat.withoutVat = s[5].toDouble();
        }
        m_review.reconciliation.append(rec);
        for (auto [column, name] :
             { std::pair { &rec.base, QStringLiteral("Baza") }, std::pair { &rec.vat, QStringLiteral("TVA") } }) {
            const double diff = column->difference();
            if (text::roundHalfEven(diff, 2) == 0)
                continue;
            Finding f;
            f.kind = FindingKind::Reconciliation;
            f.journal = journal;
            f.hasAmounts = true;
            (column == &rec.base ? f.base : f.vat) = diff;
            f.text = QStringLiteral("Coloana %1: totalul jurnalului %2 difera de declarat %3 + lasat afara %4 + fara "
                                    "TVA %5 cu %6.")
                         .arg(name, reviewAmount(column->journal), reviewAmount(column->declared),
                              reviewAmount(column->screenedOut), reviewAmount(column->withoutVat), reviewAmount(diff));
            f.action = QStringLiteral("Nu declarati: verificati valorile din jurnal (texte in coloanele de sume) si "
                                      "anuntati furnizorul programului.");
            m_reconciliation.append(f);
        }
    }

    // The findings in the order of their kinds, each kind purchases first.
    void finish()
    {
        if (m_review.end >= LaterSchema) {
            Finding f;
            f.kind = FindingKind::SchemaVersion;
            f.text
                = QStringLiteral("Fisierul XML se scrie in versiunea 1 a declaratiei, valabila pentru perioadele din "
                                 "2012 si 2013. Pentru perioade din ianuarie 2014 inainte autoritatea cere o "
                                 "versiune ulterioara si refuza acest fisier.");
            f.action = QStringLiteral("Pentru aceasta perioada folositi programul autoritatii sau o versiune a "
                                      "declaratiei care o acopera; liniile de mai sus raman valabile ca verificare.");
            m_review.findings.append(f);
        }
        for (const QList<Finding>* list :
             { &m_controlDigit, &m_severalNames, &m_severalCodes, &m_negative, &m_leftOut, &m_reconciliation })
            m_review.findings += *list;
    }

private:
    static Finding
    partnerFinding(FindingKind kind, Journal journal, const QString& name, const QString& code, double base, double vat)
    {
        Finding f;
        f.kind = kind;
        f.journal = journal;
        f.partner = name;
        f.code = code;
        f.hasAmounts = true;
        f.base = base;
        f.vat = vat;
        return f;
    }

    void checkLines(Journal journal, const QList<PartnerRow>& lines, const QStringList& storedCodes)
    {
        QMap<QString, QList<int>> byCode; // ordered, so the findings come in a stable order
        QMap<QString, QList<int>> byName;
        for (int i = 0; i < lines.size(); ++i) {
            const PartnerRow& line = lines[i];
            byCode[line.cuiP].append(i);
            const QString name = line.denP.trimmed().toCaseFolded();
            if (!name.isEmpty())
                byName[name].append(i);
            if (line.baza < 0 || line.tva < 0) {
                Finding f
                    = partnerFinding(FindingKind::NegativeTotals, journal, line.denP, line.cuiP, line.baza, line.tva);
                f.text = QStringLiteral("Totalurile partenerului sunt negative (note de credit peste facturi).");
                f.action = QStringLiteral("Verificati facturile si notele de credit ale partenerului in jurnal.");
                m_negative.append(f);
            }
        }

        for (auto it = byCode.cbegin(); it != byCode.cend(); ++it) {
            const QList<int>& idx = it.value();
            const PartnerRow& first = lines[idx.first()];
            if (!controlDigitValid(it.key())) {
                double base = 0, vat = 0;
                for (int i : idx) {
                    base += lines[i].baza;
                    vat += lines[i].tva;
                }
                Finding f = partnerFinding(FindingKind::ControlDigit, journal, first.denP, it.key(), base, vat);
                f.text = QStringLiteral("Codul fiscal %1 nu trece proba cifrei de control; verificati-l: codurile "
                                        "foarte vechi pot fi totusi reale.")
                             .arg(quoted(it.key()));
                f.action = QStringLiteral("Verificati codul pe documentele partenerului si corectati-l in jurnal daca "
                                          "este gresit.");
                m_controlDigit.append(f);
            }
            if (idx.size() < 2)
                continue;
            QStringList names, parts;
            QMap<QString, qint64> docsByName;
            QStringList order;
            double base = 0, vat = 0;
            for (int i : idx) {
                if (!docsByName.contains(lines[i].denP))
                    order.append(lines[i].denP);
                docsByName[lines[i].denP] += lines[i].nrFact;
                base += lines[i].baza;
                vat += lines[i].tva;
            }
            Finding f = partnerFinding(FindingKind::CodeSeveralNames, journal, QString(), it.key(), base, vat);
            if (order.size() > 1) {
                for (const QString& n : order)
                    parts.append(quoted(n) + QStringLiteral(" (") + documents(docsByName[n]) + QLatin1Char(')'));
                f.partner = order.join(QStringLiteral("; "));
                f.text = QStringLiteral("Codul fiscal %1 apare sub %2 nume, deci pe %3 linii: %4.")
                             .arg(quoted(it.key()))
                             .arg(order.size())
                             .arg(idx.size())
                             .arg(parts.join(QStringLiteral(", ")));
                f.action = QStringLiteral("Scrieti partenerul cu acelasi nume pe toate documentele din jurnal si "
                                          "importati-l din nou.");
            } else {
                for (int i : idx)
                    parts.append(quoted(storedCodes.value(i)) + QStringLiteral(" (") + documents(lines[i].nrFact)
                                 + QLatin1Char(')'));
                f.partner = first.denP;
                f.text = QStringLiteral("Partenerul apare pe %1 linii cu acelasi cod, scris diferit in jurnal: %2.")
                             .arg(idx.size())
                             .arg(parts.join(QStringLiteral(", ")));
                f.action = QStringLiteral("Scrieti codul fiscal la fel pe toate documentele partenerului si importati "
                                          "jurnalul din nou.");
            }
            m_severalNames.append(f);
        }

        for (auto it = byName.cbegin(); it != byName.cend(); ++it) {
            const QList<int>& idx = it.value();
            QStringList codes;
            QMap<QString, qint64> docsByCode;
            double base = 0, vat = 0;
            for (int i : idx) {
                if (!docsByCode.contains(lines[i].cuiP))
                    codes.append(lines[i].cuiP);
                docsByCode[lines[i].cuiP] += lines[i].nrFact;
                base += lines[i].baza;
                vat += lines[i].tva;
            }
            if (codes.size() < 2)
                continue;
            QStringList parts;
            for (const QString& c : codes)
                parts.append(quoted(c) + QStringLiteral(" (") + documents(docsByCode[c]) + QLatin1Char(')'));
            Finding f = partnerFinding(FindingKind::NameSeveralCodes, journal, lines[idx.first()].denP,
                                       codes.join(QStringLiteral("; ")), base, vat);
            f.text = QStringLiteral("Acelasi nume apare cu %1 coduri fiscale: %2.")
                         .arg(codes.size())
                         .arg(parts.join(QStringLiteral(", ")));
            f.action = QStringLiteral("Verificati daca sunt parteneri diferiti; daca nu, corectati codul fiscal in "
                                      "jurnal.");
            m_severalCodes.append(f);
        }
    }

    Review& m_review;
    QList<Finding> m_controlDigit, m_severalNames, m_severalCodes, m_negative, m_leftOut, m_reconciliation;
};

Message inputCheck(const QString& text)
{
    Message m = Message::check(text);
    m.box = BoxKind::Standard;
    return m;
}

} // namespace

QString findingKindLabel(FindingKind kind)
{
    switch (kind) {
    case FindingKind::SchemaVersion:
        return QStringLiteral("Versiunea declaratiei");
    case FindingKind::ControlDigit:
        return QStringLiteral("Cifra de control");
    case FindingKind::CodeSeveralNames:
        return QStringLiteral("Cod pe mai multe linii");
    case FindingKind::NameSeveralCodes:
        return QStringLiteral("Nume cu mai multe coduri");
    case FindingKind::NegativeTotals:
        return QStringLiteral("Totaluri negative");
    case FindingKind::LeftOut:
        return QStringLiteral("Randuri lasate afara");
    case FindingKind::Reconciliation:
        return QStringLiteral("Reconciliere");
    }
    return {};
}

bool controlDigitValid(const QString& code)
{
    QString c = code.trimmed();
    if (c.startsWith(QLatin1String("RO"), Qt::CaseInsensitive))
        c = c.mid(2).trimmed();
    if (c.size() < 2 || c.size() > 10 || c[0] == QLatin1Char('0'))
        return false;
    for (QChar ch : c)
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
    static const int weights[9] = { 7, 5, 3, 2, 1, 7, 5, 3, 2 };
    const QString body = c.left(c.size() - 1).rightJustified(9, QLatin1Char('0'));
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += (body[i].unicode() - u'0') * weights[i];
    const int control = sum * 10 % 11 % 10;
    return control == c.back().unicode() - u'0';
}

std::optional<Review>
reviewDeclaration(const ProgramFolder& folder, const QDate& start, const QDate& end, MessageSink& sink)
{
    if (start > end) {
        sink.show(inputCheck(QStringLiteral("Data de inceput trebuie sa fie mai mica ca cea de sfarsit")));
        return std::nullopt;
    }
    if (start.year() < 2012) {
        sink.show(inputCheck(QStringLiteral("Data de inceput trebuie sa fie mai mare de 2012")));
        return std::nullopt;
    }
    // The company as the declaration reads it, with its checks and labels.
    auto connection = store::openDatabase(folder);
    if (!connection) {
        sink.show(report::declarationRun(connection.failure(), CompanyLabels2012.row));
        return std::nullopt;
    }
    CompanyStep step = CompanyStep::Row;
    if (auto company = readCompanyIdentity(*connection, CodeUse::Folder, step); !company) {
        sink.show(report::declarationRun(company.failure(), CompanyLabels2012.of(step)));
        return std::nullopt;
    }

    // As the declaration does: both journals at once, each on a connection of its own.
    auto salesRead = std::async(std::launch::async, [&] { return readJournal(folder, Journal::Sales); });
    auto purchases = readJournal(folder, Journal::Purchases);
    auto sales = salesRead.get();
    if (!purchases) {
        sink.show(report::declarationRun(purchases.failure(), LPurchases));
        return std::nullopt;
    }
    if (!sales) {
        sink.show(report::declarationRun(sales.failure(), LSales));
        return std::nullopt;
    }

    Review review;
    review.start = start;
    review.end = end;
    Reviewer reviewer(review);
    reviewer.addJournal(Journal::Purchases, *purchases);
    reviewer.addJournal(Journal::Sales, *sales);
    reviewer.finish();
    return review;
}

QString reviewAmount(double value)
{
    const double rounded = text::roundHalfEven(value, 2);
    return QString::number(rounded == 0 ? 0.0 : rounded, 'f', 2);
}

void printReview(const Review& review, QTextStream& out)
{
    const QString dateForm = QStringLiteral("dd.MM.yyyy");
    out << QStringLiteral("Verificarea declaratiei D394 pentru perioada %1 - %2\n")
               .arg(review.start.toString(dateForm), review.end.toString(dateForm));
    out << QStringLiteral("\nLinii declarate: %1\n").arg(review.purchases.size() + review.sales.size());
    out << QStringLiteral("Jurnal;Tip;Cod fiscal;Denumire;Nr. facturi;Baza;TVA\n");
    for (Journal journal : { Journal::Purchases, Journal::Sales })
        for (const PartnerRow& r : journal == Journal::Purchases ? review.purchases : review.sales)
            out << QStringList { journalLabel(journal), QString(r.tip),     r.cuiP, r.denP, QString::number(r.nrFact),
                                 reviewAmount(r.baza),  reviewAmount(r.tva) }
                        .join(QLatin1Char(';'))
                    + QLatin1Char('\n');

    out << QStringLiteral("\nReconciliere (jurnal = declarat + lasat afara + fara TVA):\n");
    for (const Reconciliation& rec : review.reconciliation)
        for (auto [column, name] :
             { std::pair { &rec.base, QStringLiteral("Baza") }, std::pair { &rec.vat, QStringLiteral("TVA") } })
            out << QStringLiteral("%1, %2: %3 = %4 + %5 + %6, diferenta %7\n")
                       .arg(journalLabel(rec.journal), name, reviewAmount(column->journal),
                            reviewAmount(column->declared), reviewAmount(column->screenedOut),
                            reviewAmount(column->withoutVat), reviewAmount(column->difference()));

    if (review.findings.isEmpty()) {
        out << QStringLiteral("\nNicio constatare.\n");
        return;
    }
    out << QStringLiteral("\nConstatari: %1\n").arg(review.findings.size());
    int n = 0;
    for (const Finding& f : review.findings) {
        out << QStringLiteral("%1. %2").arg(++n).arg(findingKindLabel(f.kind));
        if (f.journal)
            out << QStringLiteral(", ") + journalLabel(*f.journal);
        if (!f.partner.isEmpty() || !f.code.isEmpty())
            out << QStringLiteral(", %1 (cod %2)").arg(quoted(f.partner), quoted(f.code));
        if (f.hasAmounts)
            out << QStringLiteral(", baza %1, TVA %2").arg(reviewAmount(f.base), reviewAmount(f.vat));
        out << QStringLiteral(": ") << f.text << QStringLiteral(" Ce faceti: ") << f.action << QLatin1Char('\n');
    }
}

} // namespace orvida::declaration
