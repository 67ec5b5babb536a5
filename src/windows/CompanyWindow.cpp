#include "windows/CompanyWindow.h"

#include "base/ErrorReport.h"
#include "gui/Prompts.h"
#include "gui/WindowKeys.h"

#include <QCloseEvent>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace orvida::company {

namespace {

struct Box
{
    const char* caption; // nullptr: a caption that stands alone, without a box
    int index;
    const char* column;
};

// Rows of boxes as the page shows them, left to right.
using BoxRow = QList<Box>;

const QList<BoxRow> companyRows = {
    { { "Denumire", 0, "DENUMIRE" }, { "Tip", 1, "TIP" } },
    { { "Nr.Reg.Comert", 2, "NREGCOM" }, { "Cod fiscal", 3, "CODFISCAL" } },
};

const QList<BoxRow> seatRows = {
    { { "Strada", 8, "STRADA1" }, { "Nr.", 9, "NR1" }, { "Bl.", 10, "BLOC1" }, { "Ap.", 11, "AP1" } },
    { { "Oras", 12, "ORAS1" }, { "Sector", 30, "SECTOR1" }, { "Judet", 13, "JUDET1" } },
    { { "Cod postal", 14, "CODPOSTAL1" }, { "Telefon", 15, "TELEFON1" }, { "Fax", 16, "FAX1" } },
    { { "E-mail", 17, "EMAIL1" } },
};

const QList<BoxRow> representativeRows = {
    { { "Strada", 18, "STRADA2" }, { "Nr.", 19, "NR2" }, { "Bl.", 20, "BLOC2" }, { "Ap.", 21, "AP2" } },
    { { "Oras", 22, "ORAS2" }, { "Judet", 23, "JUDET2" } },
    { { "Cod postal", 24, "CODPOSTAL2" }, { "Telefon", 25, "TELEFON2" }, { "Fax", 26, "FAX2" } },
    { { "E-mail", 27, "EMAIL2" } },
};

const char* const dateColumns[] = { "DATAIN", "DATASN", "DATAIN1", "DATASN1", "DATAIC", "DATASC" };

QString latin(const char* text)
{
    return QString::fromLatin1(text);
}

// Passes the messages on and remembers whether there was any: a save that stored everything
// shows none.
class WatchingSink : public MessageSink
{
public:
    explicit WatchingSink(MessageSink& to)
        : m_to(to)
    { }
    void show(const Message& message) override
    {
        m_any = true;
        m_to.show(message);
    }
    bool any() const { return m_any; }

private:
    MessageSink& m_to;
    bool m_any = false;
};

} // namespace

CompanyWindow::CompanyWindow(const Shell& shell, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_shell(shell)
    , m_sink(shell.prompts, this)
{
    setObjectName(QStringLiteral("frmParamSoc"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Date despre societate"));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    // Alt+S and Alt+E turn the pages; the focus goes to the first box of the page turned to,
    // unless the tab bar itself has it.
    m_tabs->addTab(buildIdentityPage(), QStringLiteral("&Societate"));
    m_tabs->addTab(buildPeriodsPage(), QStringLiteral("&Exercitiu"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_tabs->tabBar()->hasFocus())
            return;
        QWidget* first = index == 0 ? static_cast<QWidget*>(m_text.value(0)) : m_dates.value(0);
        if (first)
            first->setFocus(Qt::OtherFocusReason);
    });

    m_save = new QPushButton(QStringLiteral("Salvare"), this);
    m_save->setObjectName(QStringLiteral("cmdSalvare"));
    auto* cancel = new QPushButton(QStringLiteral("Iesire"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(m_save, &QPushButton::clicked, this, &CompanyWindow::cmdSalvare_Click);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    installWindowKeys(this, m_save, cancel);
    for (QDateEdit* picker : std::as_const(m_dates)) {
        selectDayOnClick(picker);
        openCalendarOnKey(picker);
    }

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStare"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_status, 1);
    buttons->addWidget(m_save);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);

    load();
    m_text.value(0)->setFocus(Qt::OtherFocusReason);
}

CompanyWindow::~CompanyWindow() = default;

QLineEdit* CompanyWindow::addBox(int index, const QString& column)
{
    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("Text1_%1").arg(index));
    const auto field = findInfoField(column);
    const int limit = field ? field->limit : 255;
    box->setMaxLength(limit);
    const int charWidth = box->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    // Short codes get a box sized to them; names and addresses share the room there is.
    if (limit <= 4)
        box->setFixedWidth(charWidth * limit + 16);
    else
        box->setMinimumWidth(charWidth * std::min(limit, 30) * 2 / 3);
    m_text.insert(index, box);
    m_columnOf.insert(index, column);
    return box;
}

QWidget* CompanyWindow::buildIdentityPage()
{
    // Each row lays its boxes out left to right; the first captions share one width so that the
    // rows start their boxes in one column.
    const int captionWidth = fontMetrics().horizontalAdvance(QStringLiteral("Nr.Reg.Comert")) + 12;
    auto addRows = [this, captionWidth](QVBoxLayout* layout, const QList<BoxRow>& rows) {
        for (const BoxRow& row : rows) {
            auto* line = new QHBoxLayout;
            bool first = true;
            for (const Box& b : row) {
                auto* label = new QLabel(latin(b.caption));
                if (first)
                    label->setFixedWidth(captionWidth);
                else
                    line->addSpacing(8);
                first = false;
                QLineEdit* box = addBox(b.index, latin(b.column));
                label->setBuddy(box);
                line->addWidget(label);
                line->addWidget(box, box->maxLength() <= 4 ? 0 : box->maxLength());
            }
            if (row.size() == 1)
                line->addStretch(60);
            layout->addLayout(line);
        }
    };

    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    addRows(layout, companyRows);

    auto* seat = new QGroupBox(QStringLiteral("Date de identificare ale persoanei inregistrate in scopuri de TVA"));
    auto* seatLayout = new QVBoxLayout(seat);
    addRows(seatLayout, seatRows);

    auto* representative = new QGroupBox(QStringLiteral("Date de identificare ale reprezentantului fiscal"));
    auto* repLayout = new QVBoxLayout(representative);
    // The representative's name and code have captions only; the form keeps no boxes for them.
    auto* names = new QHBoxLayout;
    auto* name = new QLabel(QStringLiteral("Denumire"));
    name->setFixedWidth(captionWidth);
    names->addWidget(name);
    names->addSpacing(captionWidth);
    names->addWidget(new QLabel(QStringLiteral("Cod fiscal")));
    names->addStretch();
    repLayout->addLayout(names);
    addRows(repLayout, representativeRows);

    layout->addWidget(seat);
    layout->addWidget(representative);
    layout->addStretch();
    return page;
}

QWidget* CompanyWindow::buildPeriodsPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    struct PeriodRow
    {
        QStringList texts;
        QString caption;
    };
    const PeriodRow rows[] = {
        { { QStringLiteral("Introduceti datele exercitiului financiar."),
            QStringLiteral("Exercitiul N reprezinta exercitiul financiar curent. Introduceti data de inceput si data "
                           "de sfarsit.") },
          QStringLiteral("Exercitiul N de la") },
        { { QStringLiteral("Exercitiul N+1 reprezinta exercitiul financiar urmator. Introduceti data de inceput si "
                           "data de sfarsit.") },
          QStringLiteral("Exercitiul N+1 de la") },
        { { QStringLiteral("Perioada de culegere reprezinta intervalul pentru care autorizati culegerea "
                           "inregistrarilor contabile.") },
          QStringLiteral("Perioada de culegere de la") },
    };
    for (int r = 0; r < 3; ++r) {
        if (r > 0)
            layout->addSpacing(12);
        for (const QString& text : rows[r].texts) {
            auto* label = new QLabel(text);
            label->setWordWrap(true);
            layout->addWidget(label);
        }
        auto* line = new QHBoxLayout;
        auto* caption = new QLabel(rows[r].caption);
        caption->setMinimumWidth(caption->fontMetrics().horizontalAdvance(QStringLiteral("Perioada de culegere de la"))
                                 + 8);
        line->addWidget(caption);
        for (int k = 0; k < 2; ++k) {
            if (k == 1)
                line->addWidget(new QLabel(QStringLiteral("la")));
            auto* picker = new QDateEdit;
            picker->setObjectName(QStringLiteral("DTPicker1_%1").arg(m_dates.size()));
            picker->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
            picker->setCalendarPopup(true);
            m_dates.append(picker);
            line->addWidget(picker);
        }
        line->addStretch();
        layout->addLayout(line);
    }
    layout->addStretch();
    return page;
}

void CompanyWindow::load()
{
    m_tabs->setCurrentIndex(0);
    auto record = loadCompany(m_shell.folder);
    if (!record) {
        m_sink.show(report::companyWindow(record.failure(), report::names::CompanyLoadProcedure, 0));
        m_save->setEnabled(false);
        m_status->setText(QStringLiteral("Datele societatii nu au putut fi citite, de aceea salvarea este oprita: %1 "
                                         "Inchideti fereastra si deschideti-o din nou dupa ce ati corectat problema.")
                              .arg(record.failure().description));
        return;
    }
    m_record = *record;
    for (auto it = m_text.cbegin(); it != m_text.cend(); ++it)
        it.value()->setText(m_record.text(m_columnOf.value(it.key())));
    // A date the row does not hold shows today, as a picker must show some date.
    const QDate today = m_shell.clock.now().date();
    for (int i = 0; i < m_dates.size(); ++i) {
        const auto* value = m_record.dates.field(latin(dateColumns[i]));
        m_dates[i]->setDate(value && *value ? **value : today);
    }
    m_saved = shownValues();
}

QStringList CompanyWindow::shownValues() const
{
    QStringList values;
    for (const QLineEdit* box : m_text)
        values << box->text();
    for (const QDateEdit* picker : m_dates)
        values << picker->date().toString(Qt::ISODate);
    return values;
}

bool CompanyWindow::isModified() const
{
    return shownValues() != m_saved;
}

CompanyRecord CompanyWindow::currentRecord() const
{
    CompanyRecord record = m_record;
    // Only what the user changed is replaced, so a column that holds Null keeps it.
    for (auto it = m_text.cbegin(); it != m_text.cend(); ++it) {
        const QString column = m_columnOf.value(it.key());
        if (it.value()->text() != m_record.text(column))
            record.info.insert(column, Value(it.value()->text()));
    }
    for (int i = 0; i < m_dates.size(); ++i)
        *record.dates.field(latin(dateColumns[i])) = m_dates[i]->date();
    return record;
}

bool CompanyWindow::cmdSalvare_Click()
{
    if (!m_save->isEnabled())
        return false;
    const CompanyRecord record = currentRecord();
    WatchingSink sink(m_sink);
    m_status->clear();
    saveCompany(m_shell.folder, record, sink);
    if (record.text(QStringLiteral("DENUMIRE")).isEmpty()) {
        m_tabs->setCurrentIndex(0);
        m_text.value(0)->setFocus();
    }
    if (sink.any())
        return false;
    // What was stored is what the window now holds.
    m_record = record;
    m_saved = shownValues();
    m_status->setText(QStringLiteral("Datele au fost salvate la ora %1.")
                          .arg(m_shell.clock.now().time().toString(QStringLiteral("HH:mm"))));
    return true;
}

void CompanyWindow::closeEvent(QCloseEvent* event)
{
    if (m_save->isEnabled() && isModified()) {
        msgbox::Request request;
        request.prompt = QStringLiteral("Datele societatii au fost modificate. Salvati modificarile?");
        request.style = msgbox::YesNoCancel | msgbox::QuestionIcon;
        switch (m_shell.prompts.messageBoxExt(this, request)) {
        case msgbox::Yes:
            if (!cmdSalvare_Click()) {
                event->ignore();
                return;
            }
            break;
        case msgbox::No:
            break;
        default:
            event->ignore();
            return;
        }
    }
    QWidget::closeEvent(event);
}

} // namespace orvida::company
