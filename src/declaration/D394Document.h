#pragma once

#include "base/Result.h"
#include "declaration/CompanyIdentity.h"
#include "declaration/PartnerTotals.h"

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QString>

namespace orvida::declaration {

// The declaration from 2012 on, ready to be written.
struct D394Declaration
{
    QString luna, an, tip_D394;
    QString nume_declar, prenume_declar, functie_declar;
    CompanyIdentity company;
    bool variant2013 = true; // nrFact in the document, C/V lines in the text file
    QList<PartnerRow> purchases;
    QList<PartnerRow> sales;
};

// The XML document: declaration without encoding, UTF-8, no whitespace between elements. Refused
// when a text has a character XML cannot hold.
Result<QByteArray> d394Xml(const D394Declaration& d);
Status writeD394Xml(const D394Declaration& d, QIODevice& out);

// The text file the authority's program imports: Windows-1250, every line ended by CR LF; its
// values written as TextValues.h says.
QByteArray d394Text(const D394Declaration& d);
Status writeD394Text(const D394Declaration& d, QIODevice& out);

} // namespace orvida::declaration
