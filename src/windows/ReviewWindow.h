#pragma once

#include "declaration/Review.h"
#include "gui/Shell.h"

#include <QWidget>

class QStandardItemModel;
class QTableView;

namespace orvida::declaration {

// The review of the declaration from 2012 on, in a window of its own: a sortable table of the
// lines the declaration would write and, below it, the findings. "Salvare..." exports both as CSV
// or, for a name ending in .xlsx, as a workbook.
class ReviewWindow : public QWidget
{
    Q_OBJECT

public:
    ReviewWindow(const Shell& shell, Review review, QWidget* parent = nullptr);
    ~ReviewWindow() override;

    // Reviews the period and opens the window; when the period or the company stops the review,
    // its messages are shown (as the declaration shows them) and no window opens.
    static ReviewWindow* open(const Shell& shell, const QDate& start, const QDate& end, QWidget* parent);

public slots:
    void cmdSalvare_Click();

private:
    Shell m_shell;
    Review m_review;
    QStandardItemModel* m_lines = nullptr;
    QStandardItemModel* m_findings = nullptr;
};

} // namespace orvida::declaration
