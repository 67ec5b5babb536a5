#include "app/AboutBox.h"

#include "base/MessageBoxLayout.h"
#include "gui/ProgramPicture.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVersionNumber>

namespace orvida {

namespace {

QLabel* makeLabel(const QString& text, QWidget* parent, const QColor& colour)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

} // namespace

AboutBox::AboutBox(const QString& programFolder, const QString& journal, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Informatii"));
    setFixedSize(msgbox::pixels(QSize(5730, 3990)));

    QLabel* title = makeLabel(msgbox::productName(), this, QColor(255, 220, 0));
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont serif(QStringLiteral("serif"));
    serif.setStyleHint(QFont::Serif);
    serif.setPointSizeF(14.25);
    title->setFont(serif);
    title->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    title->setGeometry(msgbox::pixels(QRect(600, 150, 4500, 600)));

    QLabel* description = makeLabel(QStringLiteral("Program de Declaratii electronice"), this, Qt::white);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setGeometry(msgbox::pixels(QRect(600, 1200, 4500, 300)));

    m_version = makeLabel(versionText(QStringLiteral(ORVIDA_VERSION)), this, Qt::white);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    m_version->setGeometry(msgbox::pixels(QRect(600, 1560, 4500, 300)));

    // A path has no spaces to wrap at; a zero-width space after each separator gives it places.
    QString path = QDir::toNativeSeparators(programFolder);
    path.replace(QDir::separator(), QString(QDir::separator()) + QChar(0x200B));
    m_folder = makeLabel(programFolder.isEmpty() ? QString() : QStringLiteral("Folderul programului:\n") + path, this,
                         Qt::white);
    m_folder->setObjectName(QStringLiteral("lblFolder"));
    m_folder->setWordWrap(true);
    m_folder->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Left of the picture's stack of forms.
    m_folder->setGeometry(msgbox::pixels(QRect(600, 1980, 3400, 900)));

    if (!journal.isEmpty()) {
        QLabel* journalLabel = makeLabel(journal, this, Qt::white);
        journalLabel->setObjectName(QStringLiteral("lblJournal"));
        journalLabel->setGeometry(msgbox::pixels(QRect(600, 2900, 3400, 300)));
    }

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setDefault(true);
    m_ok->setGeometry(msgbox::pixels(QRect(600, 3990 - 375 - 400, 1095, 375)));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString AboutBox::versionText(const QString& version)
{
    const QVersionNumber v = QVersionNumber::fromString(version);
    return QStringLiteral("Versiune %1.%2.%3").arg(v.majorVersion()).arg(v.minorVersion()).arg(v.microVersion());
}

void AboutBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    paintProgramPicture(painter, rect());
    QDialog::paintEvent(event);
}

} // namespace orvida
