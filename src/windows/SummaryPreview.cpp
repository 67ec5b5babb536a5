#include "windows/SummaryPreview.h"

#include "gui/Prompts.h"

#include <QPagedPaintDevice>

namespace orvida::declaration {

void showSummaryPreview(Prompts& prompts, QWidget* parent, const SummaryPage& page)
{
    // The page is copied into the painter: the preview repaints it long after the run is over.
    // A printer that refuses the page reports it itself; the preview has nothing to add.
    prompts.printPreview(parent, SummaryPreviewTitle,
                         [page](QPagedPaintDevice& device) { static_cast<void>(paintSummary(device, page)); });
}

} // namespace orvida::declaration
