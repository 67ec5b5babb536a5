#pragma once

#include "declaration/SummaryPage.h"

#include <QString>

class QWidget;

namespace orvida {
class Prompts;
}

namespace orvida::declaration {

// The title of the summary's print preview.
inline const QString SummaryPreviewTitle = QStringLiteral("Listare Dclaratie 394");

// Shows the semester summary in a print preview from which the user prints it or saves it as PDF.
// The preview does not wait: the declaration window stays usable, and each run opens its own.
// "Salvare PDF" proposes summaryPdfName in `pdfFolder` (the program folder).
void showSummaryPreview(Prompts& prompts, QWidget* parent, const SummaryPage& page, const QString& pdfFolder = {});

// "Rezumat_D394_<company code>_<year>_S<semester>.pdf".
QString summaryPdfName(const SummaryPage& page);

} // namespace orvida::declaration
