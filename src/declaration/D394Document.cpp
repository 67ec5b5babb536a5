#include "declaration/D394Document.h"

#include "base/ErrorReport.h"
#include "base/Text.h"
#include "declaration/NumberText.h"
#include "declaration/TextValues.h"

#include <optional>

namespace orvida::declaration {

namespace {

Failure writeFailure(const QIODevice& out)
{
    const QString reason = out.errorString();
    const int number
        = reason.contains(QLatin1String("No space"), Qt::CaseInsensitive) ? err::DiskFull : err::PathFileAccess;
    return { number, QStringLiteral("Fisierul nu a putut fi scris (%1).").arg(reason) };
}

// Attribute values as an XML writer escapes them, in UTF-8: the markup characters and the
// whitespace that attribute normalisation would change, as references. The texts were checked
// with writableInXml first.
void appendEscaped(QByteArray& out, QStringView s)
{
    qsizetype plain = 0; // where the characters written as they are start
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char* reference = nullptr;
        switch (s[i].unicode()) {
        case u'<':
            reference = "&lt;";
            break;
        case u'>':
            reference = "&gt;";
            break;
        case u'&':
            reference = "&amp;";
            break;
        case u'"':
            reference = "&quot;";
            break;
        case u'\t':
            reference = "&#9;";
            break;
        case u'\n':
            reference = "&#10;";
            break;
        case u'\r':
            reference = "&#13;";
            break;
        default:
            continue;
        }
        text::appendUtf8(out, s.sliced(plain, i - plain));
        out.append(reference);
        plain = i + 1;
    }
    text::appendUtf8(out, s.sliced(plain));
}

void appendAttribute(QByteArray& out, const char* name, QStringView value)
{
    out.append(' ');
    out.append(name);
    out.append("=\"");
    appendEscaped(out, value);
    out.append('"');
}

void appendAttribute(QByteArray& out, const char* name, const NumberChars& value)
{
    out.append(' ');
    out.append(name);
    out.append("=\"");
    out.append(value.data(), value.size());
    out.append('"');
}

void appendOp1(QByteArray& out, const PartnerRow& r, bool variant2013)
{
    out.append("<op1");
    appendAttribute(out, "tip", QStringView(&r.tip, 1));
    appendAttribute(out, "cuiP", r.cuiP);
    appendAttribute(out, "denP", r.denP);
    if (variant2013)
        appendAttribute(out, "nrFact", NumberChars::number(r.nrFact));
    appendAttribute(out, "baza", NumberChars::amount(r.baza));
    appendAttribute(out, "tva", NumberChars::amount(r.tva));
    out.append("/>");
}

// XML 1.0 has no form, not even an escaped one, for most control characters or a lone surrogate.
bool writableInXml(const QString& s)
{
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            return false;
        if (c == 0xFFFE || c == 0xFFFF)
            return false;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= s.size() || !QChar::isLowSurrogate(s[i + 1].unicode()))
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return false;
        }
    }
    return true;
}

std::optional<Failure> unwritableText(const D394Declaration& d)
{
    auto refuse = [](const QString& what) {
        return Failure { err::TypeMismatch,
                         QStringLiteral("%1 contine un caracter care nu poate fi scris in fisierul XML.").arg(what) };
    };
    const CompanyIdentity& c = d.company;
    for (const QString* s : { &d.nume_declar, &d.prenume_declar, &d.functie_declar })
        if (!writableInXml(*s))
            return refuse(QStringLiteral("Declarantul"));
    for (const QString* s : { &c.cui, &c.Denumire, &c.Judet1, &c.Oras1, &c.Strada1, &c.Nr1, &c.Bloc1, &c.Ap1,
                              &c.Telefon1, &c.Fax1, &c.Email1 })
        if (!writableInXml(*s))
            return refuse(QStringLiteral("Datele societatii"));
    for (const QList<PartnerRow>* rows : { &d.purchases, &d.sales })
        for (const PartnerRow& r : *rows)
            if (!writableInXml(r.denP) || !writableInXml(r.cuiP))
                return refuse(QStringLiteral("Partenerul cu codul fiscal %1").arg(r.cuiP));
    return std::nullopt;
}

void appendPartnerLine(QByteArray& out, const PartnerRow& r, bool purchase, bool variant2013)
{
    QChar op = purchase ? QLatin1Char('A') : QLatin1Char('L');
    if (variant2013)
        op = r.tip;
    appendTextValue(out, QStringView(&op, 1));
    out.append(',');
    appendBareValue(out, r.cuiP);
    out.append(',');
    appendTextValue(out, r.denP);
    out.append(',');
    if (variant2013) {
        const NumberChars nrFact = NumberChars::number(r.nrFact);
        out.append(nrFact.data(), nrFact.size());
        out.append(',');
    }
    const NumberChars baza = NumberChars::amount(r.baza);
    out.append(baza.data(), baza.size());
    out.append(',');
    const NumberChars tva = NumberChars::amount(r.tva);
    out.append(tva.data(), tva.size());
    out.append("\r\n");
}

} // namespace

Result<QByteArray> d394Xml(const D394Declaration& d)
{
    if (auto refused = unwritableText(d))
        return *refused;
    QByteArray out;
    // A partner's element takes about 100 bytes.
    out.reserve(1024 + 112 * (d.purchases.size() + d.sales.size()));
    out.append("<?xml version=\"1.0\"?><declaratie394");
    appendAttribute(out, "luna", d.luna);
    appendAttribute(out, "an", d.an);
    appendAttribute(out, "tip_D394", d.tip_D394);
    appendAttribute(out, "nume_declar", d.nume_declar);
    appendAttribute(out, "prenume_declar", d.prenume_declar);
    appendAttribute(out, "functie_declar", d.functie_declar);
    // Written as plain attributes so they keep their place in the order.
    out.append(" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns=\"mfp:anaf:dgti:d394:declaratie:v1\""
               " xsi:schemaLocation=\"mfp:anaf:dgti:d394:declaratie:v1 file:///C:/Program Files/Talmis/d394.xsd\">");

    const CompanyIdentity& c = d.company;
    out.append("<identificare");
    appendAttribute(out, "cui", c.cui);
    appendAttribute(out, "den", c.Denumire);
    appendAttribute(out, "adresa", c.adresa());
    appendAttribute(out, "telefon", c.Telefon1);
    appendAttribute(out, "fax", c.Fax1);
    appendAttribute(out, "mail", c.Email1);
    out.append(" totalPlata_A=\"0\"/><rezumat");
    for (const char* name : { "nrCui", "bazaL", "tvaL", "bazaA", "tvaA", "bazaV", "tvaV", "bazaVc", "tvaVc", "bazaC",
                              "tvaC", "bazaCc", "tvaCc" }) {
        out.append(' ');
        out.append(name);
        out.append("=\"0\"");
    }
    out.append("/>");
    for (const QList<PartnerRow>* rows : { &d.purchases, &d.sales })
        for (const PartnerRow& r : *rows)
            appendOp1(out, r, d.variant2013);
    out.append("</declaratie394>");
    return out;
}

Status writeD394Xml(const D394Declaration& d, QIODevice& out)
{
    const auto bytes = d394Xml(d);
    if (!bytes)
        return bytes.failure();
    if (out.write(*bytes) != bytes->size())
        return writeFailure(out);
    return Status::success();
}

QByteArray d394Text(const D394Declaration& d)
{
    const CompanyIdentity& c = d.company;
    QByteArray text;
    // A partner's line takes about 60 bytes.
    text.reserve(1024 + 64 * (d.purchases.size() + d.sales.size()));
    text.append("394,");
    text::appendCp1250(text, d.luna);
    text.append(',');
    text::appendCp1250(text, d.an);
    text.append(',');
    for (const QString* v : { &d.tip_D394, &d.nume_declar, &d.prenume_declar, &d.functie_declar }) {
        appendTextValue(text, *v);
        text.append(',');
    }
    appendBareValue(text, c.cui);
    text.append(',');
    appendTextValue(text, c.Denumire);
    text.append(',');
    appendTextValue(text, c.Judet1 + QLatin1Char(' ') + c.Oras1 + QLatin1Char(' ') + c.Strada1 + QLatin1Char(' '));
    for (const QString* v : { &c.Telefon1, &c.Fax1, &c.Email1 }) {
        text.append(',');
        appendTextValue(text, *v);
    }
    text.append("\r\n");
    for (const PartnerRow& r : d.purchases)
        appendPartnerLine(text, r, true, d.variant2013);
    for (const PartnerRow& r : d.sales)
        appendPartnerLine(text, r, false, d.variant2013);
    return text;
}

Status writeD394Text(const D394Declaration& d, QIODevice& out)
{
    const QByteArray bytes = d394Text(d);
    if (out.write(bytes) != bytes.size())
        return writeFailure(out);
    return Status::success();
}

} // namespace orvida::declaration
