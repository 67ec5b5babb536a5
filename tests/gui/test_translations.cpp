#include "gui/Translations.h"
#include "support/QtPrint.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>

using namespace orvida;

namespace {

// Installed before the Romanian translations, so Qt asks it last: it hears exactly the texts that
// qt_ro.ts lacks.
class MissingTexts : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        Q_UNUSED(n);
        const QString name = QString::fromUtf8(context);
        // Key names in shortcuts ("Ctrl+Z") keep the names printed on the keys.
        if (name != QLatin1String("QShortcut")) {
            QString text = name + QStringLiteral(": ") + QString::fromUtf8(source);
            if (disambiguation && *disambiguation)
                text += QStringLiteral(" (%1)").arg(QString::fromUtf8(disambiguation));
            m_missing.insert(text);
        }
        return {};
    }
    bool isEmpty() const override { return false; }

    QStringList missing() const
    {
        QStringList texts(m_missing.begin(), m_missing.end());
        texts.sort();
        return texts;
    }
    void clear() { m_missing.clear(); }

private:
    mutable QSet<QString> m_missing;
};

QString textOf(const QWidget& dialog, const char* labelName)
{
    const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(labelName));
    return label ? label->text() : QStringLiteral("(no label %1)").arg(QString::fromLatin1(labelName));
}

QStringList actionTexts(const QList<QAction*>& actions)
{
    QStringList texts;
    for (const QAction* action : actions) {
        if (!action->isSeparator() && !action->text().isEmpty())
            texts << action->text();
    }
    return texts;
}

void showAndSettle(QWidget& widget)
{
    widget.show();
    QApplication::processEvents();
}

class Translations : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_missing = new MissingTexts;
        QCoreApplication::installTranslator(s_missing);
        s_romanian = installRomanian(*qApp, QStringLiteral(ORVIDA_TRANSLATIONS_DIR));
    }
    static void TearDownTestSuite()
    {
        delete s_romanian;
        QCoreApplication::removeTranslator(s_missing);
        delete s_missing;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_romanian->loaded()) << ORVIDA_TRANSLATIONS_DIR "/qt_ro.qm";
        s_missing->clear();
    }

    static MissingTexts* s_missing;
    static RomanianTexts* s_romanian;
};

MissingTexts* Translations::s_missing = nullptr;
RomanianTexts* Translations::s_romanian = nullptr;

TEST_F(Translations, QtTextsComeOutInRomanian)
{
    struct Case
    {
        const char* context;
        const char* source;
        const char* disambiguation;
        const char* expected;
    };
    const Case cases[] = {
        { "QFileDialog", "&Open", nullptr, "&Deschide" },
        { "QFileDialog", "File &name:", nullptr, "&Nume fisier:" },
        { "QFileDialog", "%1 already exists.\nDo you want to replace it?", nullptr,
          "%1 exista deja.\nDoriti sa il inlocuiti?" },
        { "QFileSystemModel", "Type", "All other platforms", "Tip" },
        { "QPlatformTheme", "Cancel", nullptr, "Renunta" },
        { "QPlatformTheme", "&Yes", nullptr, "&Da" },
        { "QGnomeTheme", "&Cancel", nullptr, "&Renunta" },
        { "QPrintPreviewDialog", "Fit width", nullptr, "Potriveste latimea" },
        { "QPrintDialog", "&Print", nullptr, "&Tipareste" },
        { "QPageSetupWidget", "Landscape", nullptr, "Peisaj" },
        { "QPageSize", "Envelope C5", nullptr, "Plic C5" },
        { "QLineEdit", "&Paste", nullptr, "&Lipeste" },
        { "QWidgetTextControl", "Select All", nullptr, "Selecteaza tot" },
        { "QMessageBox", "Show Details...", nullptr, "Arata detaliile..." },
        // A key sequence read back by Qt: it must stay as it is.
        { "QFileDialog", "Alt+Left", nullptr, "Alt+Left" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        EXPECT_EQ(QCoreApplication::translate(c.context, c.source, c.disambiguation), QString::fromUtf8(c.expected));
    }
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
}

TEST_F(Translations, FileDialogShowsRomanianButtonsAndLabels)
{
    struct Case
    {
        QFileDialog::AcceptMode mode;
        QDialogButtonBox::StandardButton accept;
        const char* acceptText;
    };
    const Case cases[] = {
        { QFileDialog::AcceptOpen, QDialogButtonBox::Open, "&Deschide" },
        { QFileDialog::AcceptSave, QDialogButtonBox::Save, "&Salveaza" },
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.acceptText);
        QFileDialog dialog(nullptr, QString(), folder.path(), QStringLiteral("Excel (*.xls *.xlsx)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(c.mode);
        showAndSettle(dialog);
        dialog.setViewMode(QFileDialog::Detail);
        QApplication::processEvents();

        const auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        ASSERT_NE(buttons, nullptr);
        ASSERT_NE(buttons->button(c.accept), nullptr);
        EXPECT_EQ(buttons->button(c.accept)->text(), QString::fromUtf8(c.acceptText));
        ASSERT_NE(buttons->button(QDialogButtonBox::Cancel), nullptr);
        EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Renunta"));
        EXPECT_EQ(textOf(dialog, "lookInLabel"), QStringLiteral("Cauta in:"));
        EXPECT_EQ(textOf(dialog, "fileNameLabel"), QStringLiteral("&Nume fisier:"));
        EXPECT_EQ(textOf(dialog, "fileTypeLabel"), QStringLiteral("Fisiere de tipul:"));

        const auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(view, nullptr);
        QStringList headers;
        for (int column = 0; column < 4; ++column)
            headers << view->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_EQ(headers,
                  QStringList({ QStringLiteral("Nume"), QStringLiteral("Marime"), QStringLiteral("Tip"),
                                QStringLiteral("Data modificarii") }));
    }
    EXPECT_EQ(s_missing->missing(), QStringList());
}

// Qt writes the file dialog's sizes and dates in the machine's locale (English on a server); the
// dialog shows them in Romanian like the rest of the windows.
TEST_F(Translations, FileDialogWritesSizesAndDatesInRomanian)
{
    struct Case
    {
        const char* name;
        int bytes;
        const char* size;
    };
    const Case cases[] = {
        { "unu.xls", 1, "1 octet" },
        { "mic.xls", 700, "700 octeti" },
        { "mare.xlsx", 1500, "1,46 kB" },
        { "foarte_mare.xlsx", 2500000, "2,38 MB" },
    };
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QDateTime modified(QDate(2026, 3, 5), QTime(9, 7));
    for (const Case& c : cases) {
        QFile file(folder.filePath(QString::fromLatin1(c.name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(c.bytes, 'x'));
        ASSERT_TRUE(file.flush());
        ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }

    QFileDialog dialog(nullptr, QString(), folder.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setViewMode(QFileDialog::Detail);
    showAndSettle(dialog);
    const auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    ASSERT_NE(view, nullptr);
    const auto* files = qobject_cast<const QFileSystemModel*>(view->model());
    ASSERT_NE(files, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return files->rowCount(files->index(folder.path())) == 4; }));
    ASSERT_NE(qobject_cast<FileColumnsDelegate*>(view->itemDelegateForColumn(1)), nullptr);
    ASSERT_NE(qobject_cast<FileColumnsDelegate*>(view->itemDelegateForColumn(3)), nullptr);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = folder.filePath(QString::fromLatin1(c.name));
        EXPECT_EQ(FileColumnsDelegate::text(files->index(path, 1)), QString::fromUtf8(c.size));
        EXPECT_EQ(FileColumnsDelegate::text(files->index(path, 3)), QStringLiteral("05.03.2026 09:07"));
        // The name and type columns keep Qt's own text.
        EXPECT_EQ(FileColumnsDelegate::text(files->index(path, 0)), QString());
    }
}

TEST_F(Translations, StandardButtonsInRomanian)
{
    struct Case
    {
        QDialogButtonBox::StandardButton button;
        const char* text;
    };
    const Case cases[] = {
        { QDialogButtonBox::Ok, "OK" },
        { QDialogButtonBox::Cancel, "Renunta" },
        { QDialogButtonBox::Yes, "&Da" },
        { QDialogButtonBox::No, "&Nu" },
        { QDialogButtonBox::Save, "Salveaza" },
        { QDialogButtonBox::Open, "Deschide" },
        { QDialogButtonBox::Close, "Inchide" },
        { QDialogButtonBox::Apply, "Aplica" },
        { QDialogButtonBox::Retry, "Reincearca" },
        { QDialogButtonBox::Ignore, "Ignora" },
        { QDialogButtonBox::Abort, "Abandon" },
        { QDialogButtonBox::Help, "Ajutor" },
    };
    QDialogButtonBox box;
    for (const Case& c : cases)
        box.addButton(c.button);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(box.button(c.button)->text(), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(s_missing->missing(), QStringList());
}

TEST_F(Translations, PrintPreviewToolBarInRomanian)
{
    QPrintPreviewDialog preview;
    showAndSettle(preview);
    const auto* toolbar = preview.findChild<QToolBar*>();
    ASSERT_NE(toolbar, nullptr);
    const QStringList expected = { QStringLiteral("Potriveste latimea"),
                                   QStringLiteral("Potriveste pagina"),
                                   QStringLiteral("Micsoreaza"),
                                   QStringLiteral("Mareste"),
                                   QStringLiteral("Portret"),
                                   QStringLiteral("Peisaj"),
                                   QStringLiteral("Prima pagina"),
                                   QStringLiteral("Pagina anterioara"),
                                   QStringLiteral("Pagina urmatoare"),
                                   QStringLiteral("Ultima pagina"),
                                   QStringLiteral("O singura pagina"),
                                   QStringLiteral("Pagini fata in fata"),
                                   QStringLiteral("Toate paginile"),
                                   QStringLiteral("Asezare in pagina"),
                                   QStringLiteral("Tipareste") };
    const QStringList shown = actionTexts(toolbar->actions());
    for (const QString& text : expected)
        EXPECT_TRUE(shown.contains(text)) << text.toStdString() << " not among " << shown.join(", ").toStdString();
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Previzualizare"));
    EXPECT_EQ(s_missing->missing(), QStringList());
}

// Every text these dialogs ask Qt for, shown as the program shows them, is in qt_ro.ts.
TEST_F(Translations, NothingLeftInEnglish)
{
    struct Case
    {
        const char* what;
        std::function<void()> show;
    };
    const Case cases[] = {
        { "print dialog with its options",
          [] {
              QPrinter printer;
              QPrintDialog dialog(&printer);
              showAndSettle(dialog);
              for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
                  if (button->text() == QLatin1String("&Optiuni >>"))
                      button->click();
              }
              QApplication::processEvents();
          } },
        { "page setup",
          [] {
              QPrinter printer;
              QPageSetupDialog dialog(&printer);
              showAndSettle(dialog);
          } },
        { "message box with details",
          [] {
              QMessageBox box(QMessageBox::Question, QStringLiteral("Orvida"), QStringLiteral("?"),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
              box.setDetailedText(QStringLiteral("..."));
              showAndSettle(box);
          } },
        { "edit menus",
          [] {
              QLineEdit line;
              delete line.createStandardContextMenu();
              QTextEdit text;
              delete text.createStandardContextMenu();
          } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        s_missing->clear();
        c.show();
        EXPECT_EQ(s_missing->missing(), QStringList());
    }
}

// The windows' dates and numbers: the Romanian locale gives the designed forms, and the calendar's
// day names stay ASCII like every other text.
TEST_F(Translations, RomanianDatesAndNumbers)
{
    EXPECT_EQ(QLocale().toString(QDate(2026, 3, 5), QLocale::ShortFormat), QStringLiteral("05.03.2026"));
    EXPECT_EQ(QLocale().toString(1234567), QStringLiteral("1.234.567"));
    EXPECT_EQ(QLocale().toString(1234.5, 'f', 2), QStringLiteral("1.234,50"));

    QCalendarWidget calendar;
    calendar.setSelectedDate(QDate(2026, 3, 5));
    showAndSettle(calendar);
    EXPECT_EQ(calendar.horizontalHeaderFormat(), QCalendarWidget::SingleLetterDayNames);
    EXPECT_EQ(calendar.firstDayOfWeek(), Qt::Monday);
    const auto* days = calendar.findChild<QTableView*>();
    ASSERT_NE(days, nullptr);
    QStringList header;
    for (int column = 0; column < days->model()->columnCount(); ++column)
        header << days->model()->index(0, column).data().toString();
    EXPECT_EQ(header.join(QLatin1Char(' ')).trimmed(), QStringLiteral("L M M J V S D"));
}

// An installation without the translation file still starts, in the Romanian locale, with Qt's
// texts in English.
TEST_F(Translations, MissingFileLeavesQtTextsAlone)
{
    QTemporaryDir empty;
    ASSERT_TRUE(empty.isValid());
    delete s_romanian;
    s_romanian = nullptr;
    {
        RomanianTexts without(*qApp, empty.path());
        EXPECT_FALSE(without.loaded());
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        EXPECT_EQ(QLocale().toString(QDate(2026, 3, 5), QLocale::ShortFormat), QStringLiteral("05.03.2026"));
    }
    s_romanian = installRomanian(*qApp, QStringLiteral(ORVIDA_TRANSLATIONS_DIR));
}

} // namespace
