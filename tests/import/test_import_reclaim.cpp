#include "import/ImportRun.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace orvida;

// A journal replaced by a small one gives its pages back to the disk; an appended one keeps them.
TEST(ImportReclaim, AReplacedJournalShrinksTheFile)
{
    for (const bool replace : { true, false }) {
        test::TestFolder t;
        t.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 20000) "
                              "insert into zet_jct_UE (NUME, CODF) select printf('%0200d', i), i from n"));
        const qint64 large = QFileInfo(t.folder().databasePath()).size();
        import::ImportInputs in;
        in.path = QStringLiteral(ORVIDA_TEST_DATA "/journal.xlsx");
        in.replaceJournal = replace;
        MessageList sink;
        const auto outcome = import::importJournal(in, t.folder(), sink);
        ASSERT_GT(outcome.rowsWritten, 0) << replace;
        const qint64 after = QFileInfo(t.folder().databasePath()).size();
        if (replace)
            EXPECT_LT(after, large / 4);
        else
            EXPECT_GE(after, large);
        auto count = store::query(t.folder(), QStringLiteral("select count(*) from zet_jct_UE"));
        ASSERT_TRUE(count.ok());
        EXPECT_EQ(count->rows[0][0].toInteger(), outcome.rowsWritten + (replace ? 0 : 20000));
    }
}
