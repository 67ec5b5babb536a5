#pragma once

#include <QLocale>
#include <QObject>
#include <QStyledItemDelegate>
#include <QTranslator>

class QApplication;
class QFileDialog;

namespace orvida {

// Qt's own texts in Romanian (the file dialog, the print preview, the print and page setup dialogs,
// the standard buttons, the edit menus), read from qt_ro.qm, and the Romanian locale for the dates
// and numbers that Qt's widgets show, whatever the machine's locale. Only the desktop windows use it:
// the command line's output never depends on it, and the program's own dates and amounts keep their
// designed forms either way ("dd.MM.yyyy" and "." between digit groups are also the Romanian ones).
// Deleting the object takes all of it away again.
class RomanianTexts : public QObject
{
    Q_OBJECT
public:
    RomanianTexts(QApplication& app, const QString& translationsFolder);
    ~RomanianTexts() override;

    // False when qt_ro.qm could not be read: Qt's texts then stay in English.
    bool loaded() const { return m_loaded; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTranslator m_translator;
    QLocale m_previousLocale;
    bool m_loaded = false;
};

// Installs the Romanian texts for the life of `app` (which owns the returned object).
RomanianTexts* installRomanian(QApplication& app, const QString& translationsFolder);

// The file dialog's size and date columns: Qt writes them in the machine's locale, whatever the
// default one; this delegate writes them in the default locale ("05.03.2026 09:07", "1,46 kB").
class FileColumnsDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The text for a cell of the dialog's detail view; empty for the columns Qt's text is kept.
    static QString text(const QModelIndex& index);
    static void install(QFileDialog& dialog);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace orvida
