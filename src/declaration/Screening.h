#pragma once

#include "base/Value.h"
#include "store/Journal.h"

#include <QSet>
#include <QString>

#include <optional>

namespace orvida::declaration {

using store::Journal;

// Which rows reach the code tests at all; a row that fails is skipped without a trace.
enum class PreFilter {
    Present, // NUME and CODF both have a value
    PresentNot13, // present, and CODF as stored is not exactly 13 characters
    PresentUnder13, // present, and CODF without its leading spaces is shorter than 13 characters
};

// The test on the partner code's length (in characters).
enum class Acceptance {
    UpTo10, // at most 10; an empty code passes
    From2To10, // at least 2 and at most 10
    NewUpTo10, // at most 10 and equal to none of the codes already listed in this run; an empty code is
               // never new
};

// What happens to a row whose code fails the acceptance test.
enum class Rejection {
    Silent, // skipped, nothing recorded
    Reported, // skipped, and a line is added to the error list
};

// A value "has a value" unless it is Null or was never assigned; the empty text is a value.
bool hasValue(const Value& v);

bool passesPreFilter(PreFilter filter, const Value& nume, const Value& codf);

// The partner code used by every test and every output: an "R"/"r" at the very start is removed,
// and only then an "O"/"o" right after it; then leading spaces are removed (trailing ones stay).
QString normaliseCode(const QString& stored);

// `listedCodes` is only read by NewUpTo10 (exact, case-sensitive comparison).
bool accepts(Acceptance test, const QString& partnerCode, const QSet<QString>& listedCodes = {});

// The error list line of a rejected partner, CR LF included:
// "Furnizorul " (purchases) or "Clientul " (sales) + name + " are cod fiscal incorect".
QString rejectionLine(Journal journal, const QString& name);

struct ScreeningRule
{
    PreFilter preFilter = PreFilter::Present;
    Acceptance acceptance = Acceptance::UpTo10;
    Rejection rejection = Rejection::Silent;
};

// The rules of the declaration from 2012 on.
ScreeningRule rule2012(Journal journal);

// Screens one partner row: the partner code when the row is accepted, none when it is skipped.
// A reported rejection appends its line to `errorList` (when given).
std::optional<QString> screen(const ScreeningRule& rule,
                              Journal journal,
                              const Value& nume,
                              const Value& codf,
                              const QSet<QString>& listedCodes = {},
                              QString* errorList = nullptr);

} // namespace orvida::declaration
