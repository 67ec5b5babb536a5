#include "app/AboutBox.h"
#include "app/MainWindow.h"
#include "gui/Pictures.h"
#include "store/Database.h"
#include "support/ScriptedPrompts.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvida;

namespace {

class DatabaseMenu : public ::testing::Test
{
protected:
    void TearDown() override
    {
        QList<QPointer<QWidget>> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!w->parentWidget())
                windows << w;
        for (const QPointer<QWidget>& w : windows)
            delete w.data();
    }

    QString companyName() const
    {
        auto rs = store::query(m_folder.folder(), QStringLiteral("select DENUMIRE from Zet_Info"));
        return rs ? rs->value(0, QStringLiteral("DENUMIRE")).toText() : rs.failure().description;
    }

    bool logLeft() const
    {
        return QFile::exists(m_folder.folder().databasePath() + QStringLiteral("-wal"))
            || QFile::exists(m_folder.folder().databasePath() + QStringLiteral("-shm"));
    }

    test::TestFolder m_folder;
    FixedClock m_clock { test::fixedNow() };
    test::ScriptedPrompts m_prompts;
    Pictures m_pictures;
    Shell m_shell { m_folder.folder(), m_clock, m_prompts, m_pictures };
};

} // namespace

TEST_F(DatabaseMenu, SaveAndRestoreFromTheMenu)
{
    MainWindow main(m_shell, WorkWindows {}, MainPlacement {});
    QTemporaryDir elsewhere;
    const QString copy = elsewhere.filePath(QStringLiteral("copie.mdb"));
    m_folder.exec(QStringLiteral("update Zet_Info set DENUMIRE = 'Salvata'"));

    // Cancelled: nothing is written and nothing is shown.
    main.command(QStringLiteral("mnuSalvareBD"))->trigger();
    EXPECT_TRUE(m_prompts.shown().isEmpty());
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());

    m_prompts.setNextFileName(copy);
    main.command(QStringLiteral("mnuSalvareBD"))->trigger();
    ASSERT_EQ(m_prompts.shown().size(), 1);
    EXPECT_EQ(m_prompts.shown().last().text,
              QStringLiteral("Baza de date a fost salvata in fisierul ") + QDir::toNativeSeparators(copy)
                  + QLatin1Char('.'));
    EXPECT_EQ(m_prompts.shown().last().icon, Icon::Information);
    EXPECT_EQ(m_prompts.fileDialogs().last(), QStringLiteral("Salvare baza de date"));
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_FALSE(logLeft());

    m_folder.exec(QStringLiteral("update Zet_Info set DENUMIRE = 'Schimbata'"));
    const QString textFile = elsewhere.filePath(QStringLiteral("nota.txt"));
    QFile text(textFile);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("NUME\n");
    text.close();

    struct Step
    {
        QString file;
        int answer; // the confirmation, when it is asked
        QString name; // the company afterwards
        QString says;
        Icon icon;
    };
    const Step steps[] = {
        { textFile, 0, QStringLiteral("Schimbata"), QStringLiteral("nu este o baza de date Orvida"),
          Icon::Exclamation },
        { copy, msgbox::No, QStringLiteral("Schimbata"), QStringLiteral("va fi inlocuita cu copia"), Icon::None },
        { copy, msgbox::Yes, QStringLiteral("Salvata"), QStringLiteral("a fost restaurata din fisierul"),
          Icon::Information },
    };
    for (const Step& s : steps) {
        m_prompts.setNextFileName(s.file);
        if (s.answer)
            m_prompts.setNextAnswer(s.answer);
        main.command(QStringLiteral("mnuRestaurareBD"))->trigger();
        EXPECT_TRUE(m_prompts.shown().last().text.contains(s.says)) << m_prompts.shown().last().text.toStdString();
        EXPECT_EQ(m_prompts.shown().last().icon, s.icon);
        EXPECT_EQ(companyName(), s.name);
        EXPECT_FALSE(logLeft());
    }
    // The confirmation is the program's own Yes/No box, No the default.
    const auto& confirm = m_prompts.shown()[m_prompts.shown().size() - 2];
    EXPECT_EQ(confirm.style, msgbox::YesNo | msgbox::QuestionIcon | msgbox::DefaultButton2);
    EXPECT_TRUE(m_prompts.shown().last().text.contains(QStringLiteral(".inainte-de-restaurare-20240315-102030")));
    EXPECT_TRUE(
        QFile::exists(m_folder.folder().databasePath() + QStringLiteral(".inainte-de-restaurare-20240315-102030")));
}

TEST_F(DatabaseMenu, TheAboutBoxSaysWhichJournalIsUsed)
{
    MainWindow main(m_shell, WorkWindows {}, MainPlacement {});
    QWidget* opened = nullptr;
    QObject::connect(&main, &MainWindow::windowOpened, [&](QWidget* w) { opened = w; });
    main.command(QStringLiteral("mnuInfo"))->trigger();
    ASSERT_NE(qobject_cast<AboutBox*>(opened), nullptr);
    auto* journal = opened->findChild<QLabel*>(QStringLiteral("lblJournal"));
    ASSERT_NE(journal, nullptr);
    EXPECT_EQ(journal->text(), QStringLiteral("Jurnal: WAL (disc local)"));
}
