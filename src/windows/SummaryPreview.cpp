#include "windows/SummaryPreview.h"

#include "declaration/SummaryPainting.h"
#include "gui/Prompts.h"

#include <QPagedPaintDevice>
#include <QRegularExpression>

namespace orvida::declaration {

QString summaryPdfName(const SummaryPage& page)
{
    QString code = page.cf.trimmed();
    if (code.startsWith(QLatin1String("RO"), Qt::CaseInsensitive))
        code = code.mid(2).trimmed();
    // A name without characters that a folder name cannot hold.
    code.replace(QRegularExpression(QStringLiteral("[^0-9A-Za-z_-]")), QStringLiteral("_"));
    return QStringLiteral("Rezumat_D394_%1_%2_S%3.pdf").arg(code, page.anul.trimmed(), page.sem.trimmed());
}

void showSummaryPreview(Prompts& prompts, QWidget* parent, const SummaryPage& page, const QString& pdfFolder)
{
    // The page is copied into the painter: the preview repaints it long after the run is over.
    // A printer that refuses the page reports it itself; the preview has nothing to add.
    const QString pdf
        = pdfFolder.isEmpty() ? summaryPdfName(page) : pdfFolder + QLatin1Char('/') + summaryPdfName(page);
    prompts.printPreviewSavingAs(
        parent, SummaryPreviewTitle,
        [page](QPagedPaintDevice& device) { static_cast<void>(paintSummary(device, page)); }, pdf);
}

} // namespace orvida::declaration
