#include "declaration/SummaryPainting.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPaintEngine>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace orvida;
using namespace orvida::declaration;

namespace {

// A paint device that keeps the texts drawn on it, page by page, so the page's content is checked
// without reading a PDF back.
class TextEngine : public QPaintEngine
{
public:
    TextEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    { }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override { }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
    void drawTextItem(const QPointF&, const QTextItem& item) override { texts.append(item.text()); }
    void drawRects(const QRectF*, int count) override { rects += count; }
    void drawRects(const QRect*, int count) override { rects += count; }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { }
    void drawPath(const QPainterPath&) override { }
    void drawLines(const QLineF*, int) override { }
    Type type() const override { return QPaintEngine::User; }

    QStringList texts;
    int rects = 0;
};

class TextDevice : public QPaintDevice
{
public:
    QPaintEngine* paintEngine() const override { return &m_engine; }
    TextEngine& engine() { return m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
            return 794;
        case PdmHeight:
            return 1123;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return 1;
        default:
            return QPaintDevice::metric(m);
        }
    }

private:
    mutable TextEngine m_engine;
};

// Lines drawn on one page, joined: a wrapped caption arrives as several text items.
QString drawnText(const SummaryPage& page)
{
    TextDevice device;
    QPainter painter(&device);
    painter.scale(96.0 / 1440, 96.0 / 1440);
    paintSummaryPage(painter, page);
    painter.end();
    return device.engine().texts.join(QLatin1Char('\n'));
}

store::RecordSet companyRows(const QList<std::pair<const char*, Value>>& values, int copies = 1)
{
    store::RecordSet rs;
    QList<Value> row;
    for (const auto& [column, value] : values) {
        rs.columns << QLatin1String(column);
        row << value;
    }
    for (int i = 0; i < copies; ++i)
        rs.rows << row;
    return rs;
}

Result<SummaryPage> summaryOf(const store::RecordSet& rows)
{
    SemesterTotals t;
    t.NRTERTI = 1234;
    t.nBazaLivrari = 1234567;
    t.nTVALivrari = 0;
    t.nBazaAchizitii = -45000;
    t.nTVAAchizitii = 999;
    return makeSummaryPage(rows, 2, QDate(2010, 6, 30), t);
}

} // namespace

TEST(SummaryPage, FillsPartAFromTheCompanyRowAndGroupsTheTotals)
{
    const auto rs = companyRows({ { "CODFISCAL", QStringLiteral("RO1234567890") },
                                  { "DENUMIRE", QStringLiteral("Alfa SRL") },
                                  { "JUDET1", QString() },
                                  { "ORAS1", QStringLiteral("Cluj") },
                                  { "STRADA1", QStringLiteral("Lunga") },
                                  { "NR1", Value::null() },
                                  { "BLOC1", QStringLiteral("B2") },
                                  { "SECTOR1", Value::null() },
                                  { "AP1", QStringLiteral("7") },
                                  { "TELEFON1", QStringLiteral("0264") },
                                  { "FAX1", Value::null() },
                                  { "EMAIL1", QStringLiteral("a@b.ro") } },
                                2);
    auto page = summaryOf(rs);
    ASSERT_TRUE(page.ok());
    EXPECT_EQ(page->pages, 2);
    EXPECT_EQ(page->anul, QStringLiteral("2010"));
    EXPECT_EQ(page->sem, QStringLiteral("2"));
    EXPECT_EQ(page->cf, QStringLiteral("12345678")); // eight characters after the prefix
    EXPECT_EQ(page->adresa, QStringLiteral("Cluj Lunga B2 7"));
    EXPECT_EQ(page->fax, QString());
    EXPECT_EQ(page->nrTerti, QStringLiteral("1.234"));
    EXPECT_EQ(page->bazaL, QStringLiteral("1.234.567"));
    EXPECT_EQ(page->tvaL, QStringLiteral("0"));
    EXPECT_EQ(page->bazaA, QStringLiteral("-45.000"));
    EXPECT_EQ(page->tvaA, QStringLiteral("999"));
}

TEST(SummaryPage, AddressPartsAndEmptyColumns)
{
    struct Case
    {
        QList<std::pair<const char*, Value>> row;
        QString adresa;
    } cases[] = {
        { { { "ORAS1", QStringLiteral("Iasi") }, { "STRADA1", QStringLiteral("Mare") } },
          QStringLiteral("Iasi Mare ") },
        { { { "JUDET1", QStringLiteral("IS") },
            { "ORAS1", QStringLiteral("Iasi") },
            { "STRADA1", QStringLiteral("Mare") },
            { "NR1", QStringLiteral("3") },
            { "BLOC1", QStringLiteral("A") },
            { "SECTOR1", QStringLiteral("2") },
            { "AP1", QStringLiteral("9") } },
          QStringLiteral("IS Iasi Mare 3 A 2 9") },
        { { { "JUDET1", QString() }, { "AP1", QString() } }, QString() },
    };
    for (const Case& c : cases) {
        auto page = summaryOf(companyRows(c.row));
        ASSERT_TRUE(page.ok());
        EXPECT_EQ(page->adresa, c.adresa);
    }
}

TEST(SummaryPage, EmptyCompanyTableIsAFailure)
{
    store::RecordSet empty;
    empty.columns << QStringLiteral("CODFISCAL");
    EXPECT_FALSE(summaryOf(empty).ok());
}

TEST(SummaryPage, DrawsEveryFixedTextAndLeavesPartBEmpty)
{
    auto page = summaryOf(companyRows({ { "CODFISCAL", QStringLiteral("RO777") },
                                        { "DENUMIRE", QStringLiteral("Firma Unica SRL") },
                                        { "EMAIL1", QStringLiteral("x@y.ro") } }));
    ASSERT_TRUE(page.ok());
    const QString drawn = drawnText(*page);
    for (const char* fixed : {
             "394",
             "DECLARATIE INFORMATIVA PRIVIND LIVRARILE/PRESTARILE",
             "SI ACHIZITIILE EFECTUATE PE TERITORIUL NATIONAL",
             "Anul",
             "Semestrul",
             "DATE DE IDENTIFICARE ALE PERSOANEI INREGISTRATE IN SCOPURI DE TVA",
             "DATE DE IDENTIFICARE ALE REPREZENTANTULUI FISCAL",
             "Cod de identificare fiscala",
             "REZUMAT DECLARATIE",
             "Nume, prenume                ",
             "Functia ",
             "Semnatura si",
             "stampila",
             "Loc rezervat organului fiscal",
             "Cod 14.13.01.02/f Vers. 1.0.0",
             "Firma Unica SRL",
             "x@y.ro",
             "1.234.567",
             "-45.000",
         })
        EXPECT_TRUE(drawn.contains(QLatin1String(fixed))) << fixed;
    EXPECT_EQ(drawn.count(QStringLiteral("Cod de identificare fiscala")), 2);
    EXPECT_EQ(drawn.count(QStringLiteral("E-mail")), 2);
    // The company's values appear once: part B stays empty.
    EXPECT_EQ(drawn.count(QStringLiteral("Firma Unica SRL")), 1);
    EXPECT_EQ(drawn.count(QStringLiteral("x@y.ro")), 1);
    EXPECT_EQ(drawn.count(QStringLiteral("RO")), 1 + drawn.count(QStringLiteral("ROM")));

    // Long texts wrap into several lines: compare them without their spaces and line breaks.
    auto flat = [](QString s) {
        return s.remove(QLatin1Char(' ')).remove(QLatin1Char('\n'));
    };
    const QString drawnFlat = flat(drawn);
    for (const char* wrapped : {
             "Ministerul Economiei si Finantelor - ANAF",
             "(Judet/Sector Localitate Strada Nr. Bloc Scara Etaj Apart. Cod postal)",
             "NUMARUL TOTAL AL PERSOANELOR INREGISTRATE IN SCOPURI DE TVA INCLUSE IN DECLARATIE",
             "VALOAREA TOTALA A BAZEI IMPOZABILE AFERENTA LIVRARILOR DE BUNURI/PRESTARILOR DE SERVICII EFECTUATE",
             "VALOAREA TOTALA A TVA AFERENTA LIVRARILOR DE BUNURI/PRESTARILOR DE SERVICII EFECTUATE",
             "VALOAREA TOTALA A BAZEI IMPOZABILE AFERENTA ACHIZITIILOR DE BUNURI SI SERVICII EFECTUATE",
             "VALOAREA TOTALA A TVA AFERENTA ACHIZITIILOR DE BUNURI SI SERVICII EFECTUATE",
             "Sub sanctiunile aplicate faptei de fals in acte publice, declar ca datele din aceasta declaratie sunt "
             "corecte si complete. Prezentul titlu de creanta devine executoriu, in conditiile legii.",
             "Nr. inregistrare .............................................................",
             "Data: .............................................................................",
         })
        EXPECT_TRUE(drawnFlat.contains(flat(QLatin1String(wrapped)))) << wrapped;
    for (const char* twice : { "Denumire", "Domiciliu fiscal", "Telefon", "Fax" })
        EXPECT_EQ(drawn.count(QLatin1String(twice)), 2) << twice;
}

TEST(SummaryPage, PdfHasOnePagePerCompanyRowAndItsTexts)
{
    auto page = summaryOf(companyRows(
        { { "CODFISCAL", QStringLiteral("RO14399840") }, { "DENUMIRE", QStringLiteral("Exemplu SRL") } }, 2));
    ASSERT_TRUE(page.ok());
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("rezumat.pdf"));
    ASSERT_TRUE(saveSummaryPdf(pdf, *page).ok());
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QProcess p;
    p.start(pdftotext, { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_EQ(text.count(QLatin1Char('\f')), 2) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("REZUMAT DECLARATIE")), 2);
    EXPECT_TRUE(text.contains(QStringLiteral("14399840")));
    EXPECT_TRUE(text.contains(QStringLiteral("1.234.567")));
    EXPECT_TRUE(text.contains(QStringLiteral("Exemplu SRL")));
}

TEST(SummaryPage, FailedWriteKeepsTheEarlierFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into read-only folders";
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("rezumat.pdf"));
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    auto page = summaryOf(companyRows({ { "CODFISCAL", QStringLiteral("RO1") } }));
    ASSERT_TRUE(page.ok());
    EXPECT_FALSE(saveSummaryPdf(pdf, *page).ok());
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old"));
}
