#pragma once

#include "declaration/PartnerTotals.h"
#include "declaration/Screening.h"

#include <QString>

namespace orvida::declaration {

// The six passes of the semester declaration over the partner totals. A and B list the partners
// (both modes); C and D write the restore text's amounts, E and F the report text's.
enum class SemesterPass { A, B, C, D, E, F };

// The journal a pass reads and how it screens each partner row.
Journal passJournal(SemesterPass pass);
ScreeningRule passRule(SemesterPass pass);

// A journal's partner totals as the amount passes read them: NUME, CODF, Expr1 (base) and TVA.
// Sales lines take part when COL7 or COL9 is not 0, purchase lines when any of COL7, COL9, COL11,
// COL13, COL15 is not 0.
GroupedTotals semesterTotals(Journal journal);

// The grouped query of a pass: one row per distinct (NUME, CODF) as stored, ordered by NUME then
// CODF (binary). The listing passes read NUME and CODF only; the amount passes also Expr1 (base)
// and TVA; every pass selects the lines of its journal's totals.
QString passQuery(SemesterPass pass);

} // namespace orvida::declaration
