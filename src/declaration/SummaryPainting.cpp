#include "declaration/SummaryPainting.h"

#include "base/ErrorReport.h"
#include "declaration/SaveFile.h"

#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace orvida::declaration {

namespace {

// The page is laid out in twips from the top-left corner of the sheet; the detail section starts
// at the margins below.
constexpr double Left = 720;
constexpr double Top = 567;
constexpr double Width = PageWidthTwips - 2 * Left;
constexpr double RowHeight = 300;
constexpr double ValueLeft = 2800;
constexpr double Pad = 60;

// Font sizes in twips (20 per point).
QFont arial(double points, bool bold = false)
{
    QFont f;
    // Liberation Sans has Arial's metrics; it stands in where Arial is not installed.
    f.setFamilies({ QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Helvetica") });
    f.setPixelSize(int(std::lround(points * 20)));
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

class Layout
{
public:
    explicit Layout(QPainter& painter)
        : m_p(painter)
    { }

    void text(double x,
              double y,
              double w,
              double h,
              const QString& s,
              const QFont& font,
              int flags = Qt::AlignLeft | Qt::AlignVCenter)
    {
        m_p.setFont(font);
        m_p.drawText(QRectF(Left + x, Top + y, w, h), flags, s);
    }
    void frame(double x, double y, double w, double h)
    {
        m_p.setBrush(Qt::NoBrush);
        m_p.drawRect(QRectF(Left + x, Top + y, w, h));
    }
    // A framed value, as the form's boxes hold them.
    void box(double x,
             double y,
             double w,
             double h,
             const QString& s,
             const QFont& font,
             int flags = Qt::AlignLeft | Qt::AlignVCenter)
    {
        frame(x, y, w, h);
        if (!s.isEmpty())
            text(x + Pad, y, w - 2 * Pad, h, s, font, flags);
    }
    void rule(double y) { m_p.drawLine(QPointF(Left, Top + y), QPointF(Left + Width, Top + y)); }

private:
    QPainter& m_p;
};

struct Identification
{
    QString cf, nume, adresa, tel, fax, email;
    bool prefix = true; // the fixed "RO" before the code (part A only)
};

// Part A and part B of the form share one layout; `top` is the row of the part's title.
void paintIdentification(Layout& l, double top, const QString& letter, const QString& title, const Identification& id)
{
    const QFont normal = arial(8);
    const QFont bold = arial(8, true);
    const QFont small = arial(7);
    l.text(0, top, 300, RowHeight, letter, bold);
    l.text(300, top, Width - 300, RowHeight, title, bold);

    double y = top + 369;
    l.text(0, y, ValueLeft, RowHeight, QStringLiteral("Cod de identificare fiscala"), normal);
    l.box(ValueLeft, y, 450, RowHeight, id.prefix ? QStringLiteral("RO") : QString(), normal);
    l.box(ValueLeft + 450, y, 2600, RowHeight, id.cf, normal);

    y = top + 737;
    l.text(0, y, ValueLeft, RowHeight, QStringLiteral("Denumire"), normal);
    l.box(ValueLeft, y, Width - ValueLeft, RowHeight, id.nume, normal);

    y = top + 1162;
    l.text(0, y, ValueLeft, RowHeight, QStringLiteral("Domiciliu fiscal"), normal);
    l.text(ValueLeft, y, Width - ValueLeft, RowHeight,
           QStringLiteral("(Judet/Sector Localitate Strada Nr. Bloc Scara Etaj Apart. Cod postal)"), small);

    y = top + 1588;
    l.box(0, y, Width, 765, id.adresa, normal, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);

    y = top + 2551;
    l.text(0, y, ValueLeft, RowHeight, QStringLiteral("Telefon"), normal);
    l.box(ValueLeft, y, 2600, RowHeight, id.tel, normal);
    l.text(ValueLeft + 2900, y, 600, RowHeight, QStringLiteral("Fax"), normal);
    l.box(ValueLeft + 3500, y, Width - ValueLeft - 3500, RowHeight, id.fax, normal);

    y = top + 2977;
    l.text(0, y, ValueLeft, RowHeight, QStringLiteral("E-mail"), normal);
    l.box(ValueLeft, y, Width - ValueLeft, RowHeight, id.email, normal);
}

// The heading: the form's number, its title and the authority; then the year and the semester.
void paintHeading(Layout& l, const SummaryPage& page)
{
    const QFont normal = arial(8);
    l.frame(0, 113, Width, 397);
    l.text(120, 113, 900, 397, QStringLiteral("394"), arial(18, true));
    l.text(1100, 113, 6300, 397,
           QStringLiteral("DECLARATIE INFORMATIVA PRIVIND LIVRARILE/PRESTARILE\n"
                          "SI ACHIZITIILE EFECTUATE PE TERITORIUL NATIONAL"),
           arial(8, true), Qt::AlignCenter);
    l.box(7600, 153, Width - 7640, 317, QStringLiteral("Ministerul Economiei si Finantelor - ANAF"), arial(6.5),
          Qt::AlignCenter | Qt::TextWordWrap);

    l.text(3000, 1048, 600, RowHeight, QStringLiteral("Anul"), normal);
    l.box(3600, 1048, 900, RowHeight, page.anul, normal, Qt::AlignCenter);
    l.text(5000, 1048, 1000, RowHeight, QStringLiteral("Semestrul"), normal);
    l.text(6100, 1048, 200, RowHeight, QStringLiteral("S"), normal);
    l.box(6300, 1048, 500, RowHeight, page.sem, normal, Qt::AlignCenter);
}

// Part C: the five totals, each with its caption.
void paintTotals(Layout& l, const SummaryPage& page)
{
    const QFont normal = arial(8);
    const QFont bold = arial(8, true);
    const QFont small = arial(7);
    l.text(0, 8447, 300, RowHeight, QStringLiteral("C."), bold);
    l.text(300, 8447, Width - 300, RowHeight, QStringLiteral("REZUMAT DECLARATIE"), bold);
    const QString livrari = QStringLiteral("LIVRARILOR DE BUNURI/PRESTARILOR DE SERVICII EFECTUATE");
    const QString achizitii = QStringLiteral("ACHIZITIILOR DE BUNURI SI SERVICII EFECTUATE");
    const QString baza = QStringLiteral("VALOAREA TOTALA A BAZEI IMPOZABILE AFERENTA ");
    const QString tva = QStringLiteral("VALOAREA TOTALA A TVA AFERENTA ");
    const std::pair<QString, QString> rows[] = {
        { QStringLiteral("NUMARUL TOTAL AL PERSOANELOR INREGISTRATE IN SCOPURI DE TVA INCLUSE IN DECLARATIE"),
          page.nrTerti },
        { baza + livrari, page.bazaL },
        { tva + livrari, page.tvaL },
        { baza + achizitii, page.bazaA },
        { tva + achizitii, page.tvaA },
    };
    constexpr double CaptionWidth = 7500;
    for (int i = 0; i < 5; ++i) {
        const double y = 8957 + i * (11395.0 - 8957.0) / 4;
        l.text(0, y - 110, CaptionWidth, 520, rows[i].first, small,
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap);
        l.box(CaptionWidth + 300, y, Width - CaptionWidth - 300, RowHeight, rows[i].second, normal,
              Qt::AlignRight | Qt::AlignVCenter);
    }
}

// The statement, the declarant's boxes and the box reserved for the tax office.
void paintSignature(Layout& l)
{
    const QFont normal = arial(8);
    const QFont small = arial(7);
    l.text(0, 11933, Width, 420,
           QStringLiteral("Sub sanctiunile aplicate faptei de fals in acte publice, declar ca datele din aceasta "
                          "declaratie sunt corecte si complete. Prezentul titlu de creanta devine executoriu, in "
                          "conditiile legii."),
           small, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);

    l.text(0, 12443, 1900, RowHeight, QStringLiteral("Nume, prenume                "), normal);
    l.box(1900, 12443, 4600, RowHeight, QString(), normal);
    l.text(0, 12813, 1900, RowHeight, QStringLiteral("Functia "), normal);
    l.box(1900, 12813, 4600, RowHeight, QString(), normal);
    l.text(7400, 12443, Width - 7400, RowHeight, QStringLiteral("Semnatura si"), normal, Qt::AlignCenter);
    l.text(7400, 12813, Width - 7400, RowHeight, QStringLiteral("stampila"), normal, Qt::AlignCenter);

    l.rule(13400);
    l.text(0, 13521, 2800, RowHeight, QStringLiteral("Loc rezervat organului fiscal"), arial(8, true));
    l.text(2900, 13521, 5300, RowHeight,
           QStringLiteral("Nr. inregistrare ............................................................."), small);
    l.text(2900, 13889, 5300, RowHeight,
           QStringLiteral("Data: ............................................................................."),
           small);
    l.text(8200, 13889, Width - 8200, RowHeight, QStringLiteral("Cod 14.13.01.02/f Vers. 1.0.0"), small,
           Qt::AlignRight | Qt::AlignVCenter);
}

} // namespace

void paintSummaryPage(QPainter& painter, const SummaryPage& page)
{
    painter.save();
    QPen pen(Qt::black);
    pen.setWidthF(15); // one pixel at 96 dpi
    painter.setPen(pen);
    Layout l(painter);
    paintHeading(l, page);
    paintIdentification(l, 1672, QStringLiteral("A."),
                        QStringLiteral("DATE DE IDENTIFICARE ALE PERSOANEI INREGISTRATE IN SCOPURI DE TVA"),
                        { page.cf, page.nume, page.adresa, page.tel, page.fax, page.email, true });
    paintIdentification(l, 5017, QStringLiteral("B."),
                        QStringLiteral("DATE DE IDENTIFICARE ALE REPREZENTANTULUI FISCAL"),
                        { {}, {}, {}, {}, {}, {}, false });
    paintTotals(l, page);
    paintSignature(l);
    painter.restore();
}

Status paintSummary(QPagedPaintDevice& device, const SummaryPage& page)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&device))
        return Failure { err::PathFileAccess, QStringLiteral("Pagina declaratiei nu poate fi desenata.") };
    // The frames are straight lines and need no antialiasing; with it, the print preview drops
    // the first frame drawn after a text.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double sx = device.logicalDpiX() / 1440.0;
    const double sy = device.logicalDpiY() / 1440.0;
    for (int i = 0; i < page.pages; ++i) {
        if (i > 0 && !device.newPage()) {
            painter.end();
            return Failure { err::PathFileAccess, QStringLiteral("Pagina declaratiei nu poate fi adaugata.") };
        }
        painter.resetTransform();
        painter.scale(sx, sy);
        paintSummaryPage(painter, page);
    }
    if (!painter.end())
        return Failure { err::PathFileAccess, QStringLiteral("Pagina declaratiei nu poate fi scrisa.") };
    return {};
}

Status writeSummaryPdf(QIODevice& device, const SummaryPage& page)
{
    QPdfWriter writer(&device);
    writer.setResolution(1200);
    writer.setTitle(QStringLiteral("Listare Dclaratie 394"));
    writer.setCreator(QStringLiteral("Orvida"));
    return paintSummary(writer, page);
}

Status saveSummaryPdf(const QString& path, const SummaryPage& page)
{
    return saveFile(path, [&page](QIODevice& out) { return writeSummaryPdf(out, page); });
}

} // namespace orvida::declaration
