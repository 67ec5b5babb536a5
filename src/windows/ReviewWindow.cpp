#include "windows/ReviewWindow.h"

#include "declaration/ReviewExport.h"
#include "gui/DialogSink.h"
#include "gui/Prompts.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace orvida::declaration {

namespace {

// The role the lines are sorted by: numbers sort as numbers, not as their text.
constexpr int SortRole = Qt::UserRole + 1;

QStandardItem* textItem(const QString& s)
{
    auto* item = new QStandardItem(s);
    item->setData(s, SortRole);
    item->setEditable(false);
    return item;
}

QStandardItem* numberItem(const QString& shown, double value)
{
    auto* item = new QStandardItem(shown);
    item->setData(value, SortRole);
    item->setData(int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
    item->setEditable(false);
    return item;
}

QTableView* tableOf(QAbstractItemModel* model, const char* name, QWidget* parent)
{
    auto* view = new QTableView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

} // namespace

ReviewWindow::ReviewWindow(const Shell& shell, Review review, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_shell(shell)
    , m_review(std::move(review))
{
    setObjectName(QStringLiteral("frmVerificare"));
    setWindowTitle(QStringLiteral("Verificare D394"));
    setAttribute(Qt::WA_DeleteOnClose);

    const QString dateForm = QStringLiteral("dd.MM.yyyy");
    auto* period = new QLabel(QStringLiteral("Liniile declaratiei pentru perioada %1 - %2: %3")
                                  .arg(m_review.start.toString(dateForm), m_review.end.toString(dateForm))
                                  .arg(m_review.purchases.size() + m_review.sales.size()),
                              this);

    m_lines = new QStandardItemModel(this);
    m_lines->setHorizontalHeaderLabels({ QStringLiteral("Jurnal"), QStringLiteral("Tip"), QStringLiteral("Cod fiscal"),
                                         QStringLiteral("Denumire"), QStringLiteral("Nr. facturi"),
                                         QStringLiteral("Baza"), QStringLiteral("TVA") });
    for (Journal journal : { Journal::Purchases, Journal::Sales })
        for (const PartnerRow& r : journal == Journal::Purchases ? m_review.purchases : m_review.sales)
            m_lines->appendRow({ textItem(journalLabel(journal)), textItem(QString(r.tip)), textItem(r.cuiP),
                                 textItem(r.denP), numberItem(QString::number(r.nrFact), double(r.nrFact)),
                                 numberItem(reviewAmount(r.baza), r.baza), numberItem(reviewAmount(r.tva), r.tva) });
    auto* sorted = new QSortFilterProxyModel(this);
    sorted->setSourceModel(m_lines);
    sorted->setSortRole(SortRole);
    QTableView* linesView = tableOf(sorted, "tblLinii", this);
    linesView->setSortingEnabled(true);
    linesView->sortByColumn(-1, Qt::AscendingOrder); // the declaration's order until a header is clicked
    linesView->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch); // the partner's name

    m_findings = new QStandardItemModel(this);
    m_findings->setHorizontalHeaderLabels({ QStringLiteral("Constatare"), QStringLiteral("Jurnal"),
                                            QStringLiteral("Denumire"), QStringLiteral("Cod fiscal"),
                                            QStringLiteral("Baza"), QStringLiteral("TVA"), QStringLiteral("Descriere"),
                                            QStringLiteral("Ce faceti") });
    for (const Finding& f : m_review.findings)
        m_findings->appendRow({ textItem(findingKindLabel(f.kind)),
                                textItem(f.journal ? journalLabel(*f.journal) : QString()), textItem(f.partner),
                                textItem(f.code), numberItem(f.hasAmounts ? reviewAmount(f.base) : QString(), f.base),
                                numberItem(f.hasAmounts ? reviewAmount(f.vat) : QString(), f.vat), textItem(f.text),
                                textItem(f.action) });
    QTableView* findingsView = tableOf(m_findings, "tblConstatari", this);
    findingsView->setWordWrap(true);
    // What was found and what to do are the point of a finding: they take the room and are read whole.
    findingsView->horizontalHeader()->setSectionResizeMode(6, QHeaderView::Stretch);
    findingsView->horizontalHeader()->setSectionResizeMode(7, QHeaderView::Stretch);
    findingsView->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* findingsLabel
        = new QLabel(m_review.findings.isEmpty() ? QStringLiteral("Nicio constatare.")
                                                 : QStringLiteral("Constatari: %1").arg(m_review.findings.size()),
                     this);
    findingsLabel->setObjectName(QStringLiteral("lblConstatari"));

    auto* save = new QPushButton(QStringLiteral("Salvare..."), this);
    save->setObjectName(QStringLiteral("cmdSalvare"));
    auto* exit = new QPushButton(QStringLiteral("Iesire"), this);
    exit->setObjectName(QStringLiteral("cmdIesire"));
    connect(save, &QPushButton::clicked, this, &ReviewWindow::cmdSalvare_Click);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(exit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(period);
    layout->addWidget(linesView, 3);
    layout->addWidget(findingsLabel);
    layout->addWidget(findingsView, 2);
    layout->addLayout(buttons);
    resize(900, 600);
}

ReviewWindow::~ReviewWindow() = default;

ReviewWindow* ReviewWindow::open(const Shell& shell, const QDate& start, const QDate& end, QWidget* parent)
{
    DialogSink sink(shell.prompts, parent);
    auto review = reviewDeclaration(shell.folder, start, end, sink);
    if (!review)
        return nullptr;
    auto* window = new ReviewWindow(shell, std::move(*review), parent);
    window->show();
    return window;
}

void ReviewWindow::cmdSalvare_Click()
{
    QString path = m_shell.prompts.saveFileName(this, QStringLiteral("Salvare verificare"), m_shell.folder.path(),
                                                QStringLiteral("CSV (*.csv);;Excel (*.xlsx)"));
    if (path.isEmpty())
        return;
    const bool workbook = path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
    if (!workbook && !path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        path += QStringLiteral(".csv");
    const Status s = workbook ? saveReviewXlsx(m_review, path) : saveReviewCsv(m_review, path);
    if (!s) {
        m_shell.prompts.standardBox(this, s.failure().description, QStringLiteral("Salvare"), Icon::Stop);
        return;
    }
    m_shell.prompts.standardBox(this,
                                QStringLiteral("Verificarea a fost salvata in %1.").arg(QDir::toNativeSeparators(path)),
                                QStringLiteral("Salvare"), Icon::Information);
}

} // namespace orvida::declaration
