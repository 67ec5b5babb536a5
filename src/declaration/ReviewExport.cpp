#include "declaration/ReviewExport.h"

#include "base/ErrorReport.h"
#include "base/Text.h"
#include "declaration/SaveFile.h"

#include <QBuffer>
#include <QXmlStreamWriter>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <charconv>

namespace orvida::declaration {

namespace {

const QStringList LineHeader
    = { QStringLiteral("Jurnal"),      QStringLiteral("Tip"),  QStringLiteral("Cod fiscal"), QStringLiteral("Denumire"),
        QStringLiteral("Nr. facturi"), QStringLiteral("Baza"), QStringLiteral("TVA") };
const QStringList FindingHeader
    = { QStringLiteral("Constatare"), QStringLiteral("Jurnal"),   QStringLiteral("Denumire"),
        QStringLiteral("Cod fiscal"), QStringLiteral("Baza"),     QStringLiteral("TVA"),
        QStringLiteral("Descriere"),  QStringLiteral("Ce faceti") };

// The parts of the workbook that do not depend on the review. Style 1 shows a number with two
// decimals (the built-in format 2, "0.00"); style 2 is bold, for the header rows.
enum Style { StyleNone = 0, StyleAmount = 1, StyleHeader = 2 };

const QByteArray ContentTypes
    = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
      R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
      R"(<Default Extension="xml" ContentType="application/xml"/>)"
      R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
      R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
      R"(<Override PartName="/xl/worksheets/sheet2.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>)"
      R"(<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>)"
      R"(</Types>)";

const QByteArray RootRels
    = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>)"
      R"(</Relationships>)";

const QByteArray WorkbookXml
    = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
      R"(<sheets><sheet name="Linii" sheetId="1" r:id="rId1"/><sheet name="Constatari" sheetId="2" r:id="rId2"/></sheets>)"
      R"(</workbook>)";

const QByteArray WorkbookRels
    = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
      R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
      R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet2.xml"/>)"
      R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
      R"(</Relationships>)";

const QByteArray StylesXml
    = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
      R"(<fonts count="2"><font><sz val="11"/><name val="Calibri"/></font><font><b/><sz val="11"/><name val="Calibri"/></font></fonts>)"
      R"(<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>)"
      R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
      R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
      R"(<cellXfs count="3"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>)"
      R"(<xf numFmtId="2" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>)"
      R"(<xf numFmtId="0" fontId="1" fillId="0" borderId="0" xfId="0" applyFont="1"/></cellXfs>)"
      R"(</styleSheet>)";

// One worksheet, written row by row with inline strings.
class SheetWriter
{
public:
    SheetWriter()
        : m_w(&m_bytes)
    {
        m_w.writeStartDocument();
        m_w.writeStartElement(QStringLiteral("worksheet"));
        m_w.writeDefaultNamespace(QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main"));
        m_w.writeStartElement(QStringLiteral("sheetData"));
    }
    void startRow()
    {
        ++m_row;
        m_column = 0;
        m_w.writeStartElement(QStringLiteral("row"));
        m_w.writeAttribute(QStringLiteral("r"), QString::number(m_row));
    }
    void endRow() { m_w.writeEndElement(); }
    void skip(int columns) { m_column += columns; }
    void text(const QString& s, Style style = StyleNone)
    {
        if (!s.isEmpty()) {
            startCell(style);
            m_w.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
            m_w.writeStartElement(QStringLiteral("is"));
            m_w.writeStartElement(QStringLiteral("t"));
            m_w.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            m_w.writeCharacters(xmlSafe(s));
            m_w.writeEndElement();
            m_w.writeEndElement();
            m_w.writeEndElement();
        }
        ++m_column;
    }
    void number(double v, Style style)
    {
        startCell(style);
        char buf[64];
        const auto res = std::to_chars(buf, buf + sizeof buf, v);
        m_w.writeTextElement(QStringLiteral("v"), QString::fromLatin1(buf, res.ptr - buf));
        m_w.writeEndElement();
        ++m_column;
    }
    void textRow(const QStringList& values, Style style)
    {
        startRow();
        for (const QString& v : values)
            text(v, style);
        endRow();
    }
    QByteArray finish()
    {
        m_w.writeEndDocument();
        return m_bytes;
    }

private:
    void startCell(Style style)
    {
        m_w.writeStartElement(QStringLiteral("c"));
        QString ref;
        for (int c = m_column + 1; c > 0; c = (c - 1) / 26)
            ref.prepend(QLatin1Char(char('A' + (c - 1) % 26)));
        m_w.writeAttribute(QStringLiteral("r"), ref + QString::number(m_row));
        if (style != StyleNone)
            m_w.writeAttribute(QStringLiteral("s"), QString::number(int(style)));
    }
    // A stored name may hold characters that XML 1.0 cannot carry at all; they become spaces.
    static QString xmlSafe(QString s)
    {
        for (qsizetype i = 0; i < s.size(); ++i) {
            const char16_t c = s[i].unicode();
            if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
                ++i;
                continue;
            }
            if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF
                || QChar::isSurrogate(c))
                s[i] = QLatin1Char(' ');
        }
        return s;
    }

    QByteArray m_bytes;
    QXmlStreamWriter m_w;
    int m_row = 0;
    int m_column = 0;
};

void appendCsvField(QString& out, QStringView s, bool first)
{
    if (!first)
        out.append(QLatin1Char(';'));
    if (!s.contains(QLatin1Char(';')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n'))
        && !s.contains(QLatin1Char('\r'))) {
        out.append(s);
        return;
    }
    out.append(QLatin1Char('"'));
    for (QChar c : s) {
        if (c == QLatin1Char('"'))
            out.append(QLatin1Char('"'));
        out.append(c);
    }
    out.append(QLatin1Char('"'));
}

const QList<PartnerRow>& linesOf(const Review& review, Journal journal)
{
    return journal == Journal::Purchases ? review.purchases : review.sales;
}

Failure writeFailure(const QIODevice& out)
{
    return { err::PathFileAccess, QStringLiteral("Fisierul nu a putut fi scris (%1).").arg(out.errorString()) };
}

} // namespace

QString csvLine(const QStringList& fields)
{
    QString line;
    for (const QString& f : fields)
        appendCsvField(line, f, &f == &fields.front());
    line.append(QLatin1String("\r\n"));
    return line;
}

void appendCsvLine(QString& out, std::initializer_list<QStringView> fields)
{
    for (const QStringView& f : fields)
        appendCsvField(out, f, &f == fields.begin());
    out.append(QLatin1String("\r\n"));
}

Status writeReviewCsv(const Review& review, QIODevice& out)
{
    QString text = QChar(CsvByteOrderMark)
        + csvLine(QStringList { QStringLiteral("Sectiune"), QStringLiteral("Constatare"), QStringLiteral("Jurnal"),
                                QStringLiteral("Tip"), QStringLiteral("Cod fiscal"), QStringLiteral("Denumire"),
                                QStringLiteral("Nr. facturi"), QStringLiteral("Baza"), QStringLiteral("TVA"),
                                QStringLiteral("Descriere"), QStringLiteral("Ce faceti") });
    for (Journal journal : { Journal::Purchases, Journal::Sales })
        for (const PartnerRow& r : linesOf(review, journal))
            text += csvLine({ QStringLiteral("Linie"), QString(), journalLabel(journal), QString(r.tip), r.cuiP, r.denP,
                              QString::number(r.nrFact), reviewAmount(r.baza), reviewAmount(r.tva), QString(),
                              QString() });
    for (const Finding& f : review.findings)
        text += csvLine({ QStringLiteral("Constatare"), findingKindLabel(f.kind),
                          f.journal ? journalLabel(*f.journal) : QString(), QString(), f.code, f.partner, QString(),
                          f.hasAmounts ? reviewAmount(f.base) : QString(),
                          f.hasAmounts ? reviewAmount(f.vat) : QString(), f.text, f.action });
    const QByteArray bytes = text.toUtf8();
    if (out.write(bytes) != bytes.size())
        return writeFailure(out);
    return Status::success();
}

Status saveReviewCsv(const Review& review, const QString& path)
{
    return saveFile(path, [&](QIODevice& out) { return writeReviewCsv(review, out); });
}

Status writeReviewXlsx(const Review& review, QIODevice& out)
{
    QBuffer zipped;
    zipped.open(QIODevice::ReadWrite);
    {
        QuaZip zip(&zipped);
        if (!zip.open(QuaZip::mdCreate))
            return Failure { err::PathFileAccess, QStringLiteral("Registrul .xlsx nu poate fi creat.") };
        SheetWriter lines;
        lines.textRow(LineHeader, StyleHeader);
        for (Journal journal : { Journal::Purchases, Journal::Sales })
            for (const PartnerRow& r : linesOf(review, journal)) {
                lines.startRow();
                lines.text(journalLabel(journal));
                lines.text(QString(r.tip));
                lines.text(r.cuiP);
                lines.text(r.denP);
                lines.number(double(r.nrFact), StyleNone);
                lines.number(text::roundHalfEven(r.baza, 2), StyleAmount);
                lines.number(text::roundHalfEven(r.tva, 2), StyleAmount);
                lines.endRow();
            }
        SheetWriter findings;
        findings.textRow(FindingHeader, StyleHeader);
        for (const Finding& f : review.findings) {
            findings.startRow();
            findings.text(findingKindLabel(f.kind));
            findings.text(f.journal ? journalLabel(*f.journal) : QString());
            findings.text(f.partner);
            findings.text(f.code);
            if (f.hasAmounts) {
                findings.number(text::roundHalfEven(f.base, 2), StyleAmount);
                findings.number(text::roundHalfEven(f.vat, 2), StyleAmount);
            } else {
                findings.skip(2);
            }
            findings.text(f.text);
            findings.text(f.action);
            findings.endRow();
        }
        const std::pair<const char*, QByteArray> parts[] = {
            { "[Content_Types].xml", ContentTypes },
            { "_rels/.rels", RootRels },
            { "xl/workbook.xml", WorkbookXml },
            { "xl/_rels/workbook.xml.rels", WorkbookRels },
            { "xl/styles.xml", StylesXml },
            { "xl/worksheets/sheet1.xml", lines.finish() },
            { "xl/worksheets/sheet2.xml", findings.finish() },
        };
        for (const auto& [name, bytes] : parts) {
            QuaZipFile part(&zip);
            if (!part.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::fromLatin1(name)))
                || part.write(bytes) != bytes.size())
                return Failure { err::PathFileAccess, QStringLiteral("Registrul .xlsx nu poate fi creat.") };
            part.close();
        }
        zip.close();
        if (zip.getZipError() != 0)
            return Failure { err::PathFileAccess, QStringLiteral("Registrul .xlsx nu poate fi creat.") };
    }
    if (out.write(zipped.data()) != zipped.size())
        return writeFailure(out);
    return Status::success();
}

Status saveReviewXlsx(const Review& review, const QString& path)
{
    return saveFile(path, [&](QIODevice& out) { return writeReviewXlsx(review, out); });
}

} // namespace orvida::declaration
