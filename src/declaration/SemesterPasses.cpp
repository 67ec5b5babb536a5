#include "declaration/SemesterPasses.h"

namespace orvida::declaration {

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

GroupedTotals semesterTotals(Journal journal)
{
    if (journal == Journal::Purchases)
        return { QStringLiteral("zet_jct_UE"),
                 QStringLiteral("(COL7<>0 OR COL9<>0 OR COL11<>0 OR COL13<>0 OR COL15<>0)"),
                 false,
                 { { QStringLiteral("Expr1"), QStringLiteral("COL6+COL8+COL10+COL12+COL14") },
                   { QStringLiteral("TVA"), QStringLiteral("COL7+COL9+COL11+COL13+COL15") } } };
    return { QStringLiteral("zet_jvt_UE"),
             QStringLiteral("(COL7<>0 OR COL9<>0)"),
             false,
             { { QStringLiteral("Expr1"), QStringLiteral("COL6+COL8") },
               { QStringLiteral("TVA"), QStringLiteral("COL7+COL9") } } };
}

QString passQuery(SemesterPass pass)
{
    GroupedTotals totals = semesterTotals(passJournal(pass));
    if (pass == SemesterPass::A || pass == SemesterPass::B)
        totals.sums.clear();
    return groupedTotalsSql(totals);
}

} // namespace orvida::declaration
