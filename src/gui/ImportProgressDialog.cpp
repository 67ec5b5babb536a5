#include "gui/ImportProgressDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

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
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("barProgres"));
    m_cancel = new QPushButton(QStringLiteral("Renunta"), this);
    m_cancel->setObjectName(QStringLiteral("cmdRenunta"));
    connect(m_cancel, &QPushButton::clicked, this, &ImportProgressDialog::stop);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_rows);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    setRowsRead(0);
    // Wide enough for its title, which the frame would otherwise cut.
    setMinimumWidth(fontMetrics().horizontalAdvance(title) + 120);
}

void ImportProgressDialog::setRowsRead(qint64 rows, qint64 expected)
{
    if (expected > 0 && rows >= 0 && rows <= expected && expected <= std::numeric_limits<int>::max()) {
        m_rows->setText(QStringLiteral("Randul %1 din %2").arg(rows).arg(expected));
        m_bar->setRange(0, int(expected));
        m_bar->setValue(int(rows));
    } else {
        m_rows->setText(QStringLiteral("Randuri citite: %1").arg(rows));
        m_bar->setRange(0, 0); // an endless bar
    }
}

void ImportProgressDialog::reject() { }

void ImportProgressDialog::stop()
{
    m_cancelFlag = true;
    m_cancel->setEnabled(false);
    m_text->setText(QStringLiteral("Importul se opreste; jurnalul ramane asa cum era..."));
}

} // namespace orvida
