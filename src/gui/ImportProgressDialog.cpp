#include "gui/ImportProgressDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvida {

ImportProgressDialog::ImportProgressDialog(std::atomic<bool>& cancel, const QString& title, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_cancelFlag(cancel)
{
    setObjectName(QStringLiteral("frmProgres"));
    setWindowTitle(title);
    m_text = new QLabel(QStringLiteral("Importul este in curs..."), this);
    m_rows = new QLabel(this);
    m_rows->setObjectName(QStringLiteral("lblRanduri"));
    auto* bar = new QProgressBar(this);
    bar->setRange(0, 0); // the sheet's length is not known ahead
    m_cancel = new QPushButton(QStringLiteral("Renunta"), this);
    m_cancel->setObjectName(QStringLiteral("cmdRenunta"));
    connect(m_cancel, &QPushButton::clicked, this, &ImportProgressDialog::stop);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_rows);
    layout->addWidget(bar);
    layout->addLayout(buttons);
    setRowsRead(0);
    // Wide enough for its title, which the frame would otherwise cut.
    setMinimumWidth(fontMetrics().horizontalAdvance(title) + 120);
}

void ImportProgressDialog::setRowsRead(qint64 rows)
{
    m_rows->setText(QStringLiteral("Randuri citite: %1").arg(rows));
}

void ImportProgressDialog::reject() { }

void ImportProgressDialog::stop()
{
    m_cancelFlag = true;
    m_cancel->setEnabled(false);
    m_text->setText(QStringLiteral("Importul se opreste; jurnalul ramane asa cum era..."));
}

} // namespace orvida
