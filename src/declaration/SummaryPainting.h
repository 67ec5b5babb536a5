#pragma once

#include "base/Result.h"
#include "declaration/SummaryPage.h"

class QIODevice;
class QPagedPaintDevice;
class QPainter;

// The summary page drawn with QtGui: the windows' preview and printing, and the PDF the command
// line writes. Its own library (orvida_painting), so that the commands that never draw load no GUI
// library.
namespace orvida::declaration {

// Draws one page on a painter whose coordinates are twips from the page's top-left corner.
void paintSummaryPage(QPainter& painter, const SummaryPage& page);

// Draws every page on a paged device (a PDF writer, a printer).
Status paintSummary(QPagedPaintDevice& device, const SummaryPage& page);

// Writes the summary as PDF to a device, and to a file that is replaced only once it is complete.
Status writeSummaryPdf(QIODevice& device, const SummaryPage& page);
Status saveSummaryPdf(const QString& path, const SummaryPage& page);

} // namespace orvida::declaration
