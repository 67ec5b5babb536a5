#include "company/Company.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

using namespace orvida;
using namespace orvida::company;

namespace {

FiscalDates validDates()
{
    FiscalDates d;
    d.DATAIN = QDate(2024, 1, 1);
    d.DATASN = QDate(2024, 12, 31);
    d.DATAIN1 = QDate(2025, 1, 1);
    d.DATASN1 = QDate(2025, 12, 31);
    d.DATAIC = QDate(2024, 1, 1);
    d.DATASC = QDate(2024, 12, 31);
    return d;
}

const QString Cannot = QStringLiteral(" Salvarea nu se poate efectua !");

} // namespace

TEST(CheckFiscalDates, ChecksRunInOrderAndStopAtTheFirst)
{
    struct Case
    {
        const char* column;
        QDate value;
        QString message; // empty: all checks pass
    } cases[] = {
        { "DATAIN", QDate(2024, 1, 1), QString() },
        { "DATASC", QDate(2024, 1, 1), QString() }, // equal start and end pass
        { "DATAIN", QDate(2025, 1, 2),
          QStringLiteral("Data de inceput a exercitiului trebuie sa fie mai mica decat data de sfarsit !") + Cannot },
        { "DATAIN1", QDate(2024, 12, 31),
          QStringLiteral(
              "Data de inceput a exercitiului N+1 trebuie sa fie mai mare decat data de sfarsit a exercitiului "
              "N !")
              + Cannot },
        { "DATASN1", QDate(2024, 12, 31 - 0).addDays(1).addDays(-1),
          QStringLiteral("Data de inceput a exercitiului N+1 trebuie sa fie mai mica decat data de sfarsit !")
              + Cannot },
        { "DATAIC", QDate(2025, 1, 5),
          QStringLiteral("Data de inceput a perioadei de culegere trebuie sa fie mai mica decat data de sfarsit !")
              + Cannot },
        { "DATAIC", QDate(2023, 12, 31),
          QStringLiteral("Perioada de culegere trebuie sa fie cuprinsa in exercitiul N,N+1 !") + Cannot },
        { "DATASC", QDate(2026, 1, 1),
          QStringLiteral("Perioada de culegere trebuie sa fie cuprinsa in exercitiul N, N+1 !") + Cannot },
        { "DATAIN1", QDate(2025, 1, 2),
          QStringLiteral(
              "Data de inceput a exercitiului N+1 trebuie sa fie ziua urmatoare datei de sfarsit a exercitiului "
              "N !")
              + Cannot },
    };
    for (const Case& c : cases) {
        FiscalDates d = validDates();
        *d.field(QLatin1String(c.column)) = c.value;
        MessageList sink;
        const bool ok = checkFiscalDates(d, sink);
        EXPECT_EQ(ok, c.message.isEmpty()) << c.column;
        if (c.message.isEmpty()) {
            EXPECT_TRUE(sink.messages().isEmpty());
            continue;
        }
        ASSERT_EQ(sink.messages().size(), 1) << c.column;
        const Message& m = sink.messages().first();
        EXPECT_EQ(m.text, c.message);
        EXPECT_EQ(m.title, QStringLiteral("Validare"));
        EXPECT_EQ(m.icon, Icon::Stop);
        EXPECT_EQ(m.box, BoxKind::Standard);
    }
}

TEST(SaveCompany, TheTwoRowsAreStoredIndependently)
{
    test::TestFolder t;
    auto record = loadCompany(t.folder());
    ASSERT_TRUE(record.ok());

    // An empty name with valid dates: the name message, then the dates are stored.
    record->dates = validDates();
    record->dates.DATAIN = QDate(2024, 2, 1);
    record->dates.DATAIC = QDate(2024, 2, 1);
    record->info.insert(QStringLiteral("CODFISCAL"), Value(QStringLiteral("RO99")));
    MessageList sink;
    saveCompany(t.folder(), *record, sink);
    ASSERT_EQ(sink.texts(),
              QStringList {
                  QStringLiteral("Salvarea nu se poate efectua. Introduceti o denumire pentru societatea curenta !") });
    EXPECT_EQ(sink.messages()[0].title, QStringLiteral("Configurare societate"));
    auto stored = loadCompany(t.folder());
    EXPECT_EQ(*stored->dates.DATAIN, QDate(2024, 2, 1));
    EXPECT_TRUE(stored->info.value(QStringLiteral("CODFISCAL")).isNull());

    // A valid name (one space counts) with invalid dates: the identity is stored, the dates are not.
    record->info.insert(QStringLiteral("DENUMIRE"), Value(QStringLiteral(" ")));
    record->dates.DATAIN1 = QDate(2025, 1, 3);
    sink.clear();
    saveCompany(t.folder(), *record, sink);
    ASSERT_EQ(sink.messages().size(), 1);
    EXPECT_EQ(sink.messages()[0].title, QStringLiteral("Validare"));
    stored = loadCompany(t.folder());
    EXPECT_EQ(stored->text(QStringLiteral("DENUMIRE")), QStringLiteral(" "));
    EXPECT_EQ(stored->text(QStringLiteral("CODFISCAL")), QStringLiteral("RO99"));
    EXPECT_EQ(*stored->dates.DATAIN1, QDate(2025, 1, 1));
}

TEST(SaveCompany, AStoringFailureShowsTheEnginesDescription)
{
    test::TestFolder t;
    auto record = loadCompany(t.folder());
    ASSERT_TRUE(record.ok());
    record->info.insert(QStringLiteral("DENUMIRE"), Value(QStringLiteral("Alfa")));
    t.exec(QStringLiteral("delete from Zet_Info; delete from Zet_Par"));
    record->hasInfoRow = true; // the rows vanished after the window read them
    MessageList sink;
    saveCompany(t.folder(), *record, sink);
    // Updating a row that no longer exists stores nothing; the dates fail for want of a row.
    ASSERT_FALSE(sink.messages().isEmpty());
    EXPECT_EQ(sink.messages().last().title, QStringLiteral("Salvare"));
}
