#include "declaration/D394Document.h"

#include "base/ErrorReport.h"
#include "base/Text.h"
#include "declaration/NumberText.h"
#include "declaration/TextValues.h"

#include <QXmlStreamWriter>

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

void writeOp1(QXmlStreamWriter& w, const PartnerRow& r, bool variant2013)
{
    w.writeEmptyElement(QStringLiteral("op1"));
    w.writeAttribute(QStringLiteral("tip"), QString(r.tip));
    w.writeAttribute(QStringLiteral("cuiP"), r.cuiP);
    w.writeAttribute(QStringLiteral("denP"), r.denP);
    if (variant2013)
        w.writeAttribute(QStringLiteral("nrFact"), numberText(r.nrFact));
    w.writeAttribute(QStringLiteral("baza"), amountText(r.baza));
    w.writeAttribute(QStringLiteral("tva"), amountText(r.tva));
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

QString partnerLine(const PartnerRow& r, bool purchase, bool variant2013)
{
    QChar op = purchase ? QLatin1Char('A') : QLatin1Char('L');
    if (variant2013)
        op = r.tip;
    QString line = textValue(op) + QLatin1Char(',') + bareValue(r.cuiP) + QLatin1Char(',') + textValue(r.denP)
        + QLatin1Char(',');
    if (variant2013)
        line += numberText(r.nrFact) + QLatin1Char(',');
    return line + amountText(r.baza) + QLatin1Char(',') + amountText(r.tva);
}

} // namespace

Status writeD394Xml(const D394Declaration& d, QIODevice& out)
{
    if (auto refused = unwritableText(d))
        return *refused;
    if (out.write("<?xml version=\"1.0\"?>") < 0)
        return writeFailure(out);
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(false);
    w.writeStartElement(QStringLiteral("declaratie394"));
    w.writeAttribute(QStringLiteral("luna"), d.luna);
    w.writeAttribute(QStringLiteral("an"), d.an);
    w.writeAttribute(QStringLiteral("tip_D394"), d.tip_D394);
    w.writeAttribute(QStringLiteral("nume_declar"), d.nume_declar);
    w.writeAttribute(QStringLiteral("prenume_declar"), d.prenume_declar);
    w.writeAttribute(QStringLiteral("functie_declar"), d.functie_declar);
    // Written as plain attributes so they keep their place in the order.
    w.writeAttribute(QStringLiteral("xmlns:xsi"), QStringLiteral("http://www.w3.org/2001/XMLSchema-instance"));
    w.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("mfp:anaf:dgti:d394:declaratie:v1"));
    w.writeAttribute(QStringLiteral("xsi:schemaLocation"),
                     QStringLiteral("mfp:anaf:dgti:d394:declaratie:v1 file:///C:/Program Files/Talmis/d394.xsd"));

    const CompanyIdentity& c = d.company;
    w.writeEmptyElement(QStringLiteral("identificare"));
    w.writeAttribute(QStringLiteral("cui"), c.cui);
    w.writeAttribute(QStringLiteral("den"), c.Denumire);
    w.writeAttribute(QStringLiteral("adresa"), c.adresa());
    w.writeAttribute(QStringLiteral("telefon"), c.Telefon1);
    w.writeAttribute(QStringLiteral("fax"), c.Fax1);
    w.writeAttribute(QStringLiteral("mail"), c.Email1);
    w.writeAttribute(QStringLiteral("totalPlata_A"), QStringLiteral("0"));

    w.writeEmptyElement(QStringLiteral("rezumat"));
    for (const char* name : { "nrCui", "bazaL", "tvaL", "bazaA", "tvaA", "bazaV", "tvaV", "bazaVc", "tvaVc", "bazaC",
                              "tvaC", "bazaCc", "tvaCc" })
        w.writeAttribute(QString::fromLatin1(name), QStringLiteral("0"));

    for (const PartnerRow& r : d.purchases) {
        writeOp1(w, r, d.variant2013);
        if (w.hasError())
            break;
    }
    for (const PartnerRow& r : d.sales) {
        if (w.hasError())
            break;
        writeOp1(w, r, d.variant2013);
    }
    w.writeEndElement();
    if (w.hasError())
        return writeFailure(out);
    return Status::success();
}

QString d394Text(const D394Declaration& d)
{
    const CompanyIdentity& c = d.company;
    const QString sep = QStringLiteral(",");
    QString text = QStringLiteral("394,") + d.luna + sep + d.an + sep + textValue(d.tip_D394) + sep
        + textValue(d.nume_declar) + sep + textValue(d.prenume_declar) + sep + textValue(d.functie_declar) + sep
        + bareValue(c.cui) + sep + textValue(c.Denumire) + sep
        + textValue(c.Judet1 + QLatin1Char(' ') + c.Oras1 + QLatin1Char(' ') + c.Strada1 + QLatin1Char(' ')) + sep
        + textValue(c.Telefon1) + sep + textValue(c.Fax1) + sep + textValue(c.Email1) + QStringLiteral("\r\n");
    for (const PartnerRow& r : d.purchases)
        text += partnerLine(r, true, d.variant2013) + QStringLiteral("\r\n");
    for (const PartnerRow& r : d.sales)
        text += partnerLine(r, false, d.variant2013) + QStringLiteral("\r\n");
    return text;
}

Status writeD394Text(const D394Declaration& d, QIODevice& out)
{
    const QByteArray bytes = text::toCp1250(d394Text(d));
    if (out.write(bytes) != bytes.size())
        return writeFailure(out);
    return Status::success();
}

} // namespace orvida::declaration
