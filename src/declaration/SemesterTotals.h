#pragma once

#include <QtGlobal>

namespace orvida::declaration {

// The totals of a semester declaration, as its report line and the printed summary show them.
// The amounts add whole-number addends, so they hold whole numbers.
struct SemesterTotals
{
    qint32 NRTERTI = 0;
    double nBazaLivrari = 0;
    double nTVALivrari = 0;
    double nBazaAchizitii = 0;
    double nTVAAchizitii = 0;

    bool operator==(const SemesterTotals&) const = default;
};

} // namespace orvida::declaration
