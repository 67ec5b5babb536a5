#include "declaration/SemesterPasses.h"

namespace orvida::declaration {

namespace {

const QString Order = QStringLiteral(" GROUP BY NUME, CODF ORDER BY NUME COLLATE BINARY, CODF COLLATE BINARY");
const QString SalesWhere = QStringLiteral(" FROM zet_jvt_UE WHERE (COL7<>0 OR COL9<>0)");
const QString PurchasesWhere
    = QStringLiteral(" FROM zet_jct_UE WHERE (COL7<>0 OR COL9<>0 OR COL11<>0 OR COL13<>0 OR COL15<>0)");

} // namespace

Journal passJournal(SemesterPass pass)
{
    switch (pass) {
    case SemesterPass::A:
    case SemesterPass::D:
    case SemesterPass::E:
        return Journal::Sales;
    case SemesterPass::B:
    case SemesterPass::C:
    case SemesterPass::F:
        break;
    }
    return Journal::Purchases;
}

ScreeningRule passRule(SemesterPass pass)
{
    switch (pass) {
    case SemesterPass::A:
        return { PreFilter::Present, Acceptance::NewUpTo10, Rejection::Reported };
    case SemesterPass::B:
        return { PreFilter::PresentNot13, Acceptance::NewUpTo10, Rejection::Reported };
    case SemesterPass::C:
        return { PreFilter::PresentNot13, Acceptance::From2To10, Rejection::Silent };
    case SemesterPass::D:
        return { PreFilter::PresentNot13, Acceptance::UpTo10, Rejection::Silent };
    case SemesterPass::E:
    case SemesterPass::F:
        break;
    }
    return { PreFilter::PresentUnder13, Acceptance::UpTo10, Rejection::Reported };
}

QString passQuery(SemesterPass pass)
{
    switch (pass) {
    case SemesterPass::A:
        return QStringLiteral("SELECT NUME, CODF") + SalesWhere + Order;
    case SemesterPass::B:
        return QStringLiteral("SELECT NUME, CODF") + PurchasesWhere + Order;
    case SemesterPass::C:
    case SemesterPass::F:
        return QStringLiteral("SELECT NUME, CODF, Sum(COL6+COL8+COL10+COL12+COL14) AS Expr1, "
                              "Sum(COL7+COL9+COL11+COL13+COL15) AS TVA")
            + PurchasesWhere + Order;
    case SemesterPass::D:
    case SemesterPass::E:
        break;
    }
    return QStringLiteral("SELECT NUME, CODF, Sum(COL6+COL8) AS Expr1, Sum(COL7+COL9) AS TVA") + SalesWhere + Order;
}

} // namespace orvida::declaration
