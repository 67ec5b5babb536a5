#include "gui/Translations.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QCalendarWidget>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>

namespace orvida {

namespace {

// The columns of QFileSystemModel.
constexpr int SizeColumn = 1;
constexpr int DateColumn = 3;

QString sizeText(qint64 bytes)
{
    if (bytes == 1)
        return QStringLiteral("1 octet");
    if (bytes < 1024)
        return QStringLiteral("%1 octeti").arg(bytes);
    return QLocale().formattedDataSize(bytes, 2, QLocale::DataSizeTraditionalFormat);
}

} // namespace

RomanianTexts::RomanianTexts(QApplication& app, const QString& translationsFolder)
    : QObject(&app)
    , m_previousLocale(QLocale())
{
    m_loaded = m_translator.load(QStringLiteral("qt_ro.qm"), translationsFolder);
    if (m_loaded)
        QCoreApplication::installTranslator(&m_translator);
    else
        qWarning("Textele Qt in romana lipsesc: %s/qt_ro.qm", qUtf8Printable(translationsFolder));
    QLocale::setDefault(QLocale(QLocale::Romanian, QLocale::Romania));
    app.installEventFilter(this);
}

RomanianTexts::~RomanianTexts()
{
    // Deleted with the application, there is nothing left to remove the translator from.
    if (m_loaded && QCoreApplication::instance())
        QCoreApplication::removeTranslator(&m_translator);
    QLocale::setDefault(m_previousLocale);
}

bool RomanianTexts::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Polish) {
        // The locale's short day names carry diacritics ("sâm."); the letters alone do not.
        if (auto* calendar = qobject_cast<QCalendarWidget*>(watched))
            calendar->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    } else if (event->type() == QEvent::Show) {
        if (auto* dialog = qobject_cast<QFileDialog*>(watched))
            FileColumnsDelegate::install(*dialog);
    }
    return false;
}

RomanianTexts* installRomanian(QApplication& app, const QString& translationsFolder)
{
    return new RomanianTexts(app, translationsFolder);
}

QString FileColumnsDelegate::text(const QModelIndex& index)
{
    QModelIndex source = index;
    while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(source.model()))
        source = proxy->mapToSource(source);
    const auto* files = qobject_cast<const QFileSystemModel*>(source.model());
    if (!files)
        return {};
    if (source.column() == SizeColumn && !files->isDir(source))
        return sizeText(files->size(source));
    if (source.column() == DateColumn)
        return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
    return {};
}

void FileColumnsDelegate::install(QFileDialog& dialog)
{
    // A native dialog has no views of its own.
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view || qobject_cast<FileColumnsDelegate*>(view->itemDelegateForColumn(DateColumn)))
        return;
    auto* delegate = new FileColumnsDelegate(view);
    view->setItemDelegateForColumn(SizeColumn, delegate);
    view->setItemDelegateForColumn(DateColumn, delegate);
    // Qt sizes the date column for "10/29/81 02:02PM", narrower than the Romanian form.
    const QString widest = QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(20, 58)), QLocale::ShortFormat);
    const int wanted = view->fontMetrics().horizontalAdvance(widest + QStringLiteral("0000"));
    if (view->header()->sectionSize(DateColumn) < wanted)
        view->header()->resizeSection(DateColumn, wanted);
}

void FileColumnsDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QString own = text(index);
    if (!own.isEmpty())
        option->text = own;
}

} // namespace orvida
