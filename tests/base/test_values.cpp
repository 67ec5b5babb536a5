#include "base/ErrorReport.h"
#include "base/Values.h"

#include <gtest/gtest.h>

using namespace orvida;

TEST(Values, NzKeepsNullAndEmptyTextApart)
{
    const Value null = Value::null();
    const Value text { QStringLiteral("x") };
    const Value emptyText { QString() };
    struct Case
    {
        const char* what;
        Value got;
        Value expected;
    } cases[] = {
        { "Nz null, no default", Nz(null), Value(0) },
        { "Nz null, text default", Nz(null, text), text },
        { "Nz null, empty-text default", Nz(null, emptyText), emptyText },
        { "Nz empty text, text default", Nz(emptyText, text), Value(0) },
        { "Nz empty text, empty-text default", Nz(emptyText, emptyText), Value(0) },
        { "Nz number, text default", Nz(Value(5), text), Value(5) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.what;
}

TEST(ErrorReport, EveryVariantHasItsText)
{
    const Failure f { 3021, QStringLiteral("Nu exista inregistrare") };
    struct Case
    {
        Message got;
        QString text;
        BoxKind box;
        QString title;
        Icon icon;
    } cases[] = {
        { report::module1(f, QStringLiteral("InitParaSoc"), 40),
          QStringLiteral("Eroare 3021 - Nu exista inregistrare in procedura InitParaSoc din Module Module1 Linia: 40"),
          BoxKind::Own, QString(), Icon::None },
        { report::declarationRun(f, 7),
          QStringLiteral(
              "Eroare 3021 - Nu exista inregistrare in procedura cmdCalcul_Click din Form frmRapDec394 Linia: 7"),
          BoxKind::Own, QString(), Icon::None },
        { report::declarationRun(Failure { 94, QStringLiteral("Invalid use of Null") }, 12),
          QStringLiteral("Datele de identificare ale persoanei inregistrate in scopuri de TVA nu sunt complete."),
          BoxKind::Own, QString(), Icon::None },
        { report::companyWindow(f, QStringLiteral("Form_Load"), 0),
          QStringLiteral("Eroare 3021 - Nu exista inregistrare in procedura Form_Load din Form frmParamSoc Linia: 0"),
          BoxKind::Standard, QString(), Icon::None },
        { report::companySave(f), QStringLiteral("Nu exista inregistrare"), BoxKind::Standard,
          QStringLiteral("Salvare"), Icon::Stop },
        { *report::importChooseFile(f, 30),
          QStringLiteral(
              "Error 3021 (Nu exista inregistrare) in procedure cmdGetSourceSpec1_Click of Form frmImport Linia: 30"),
          BoxKind::Own, QString(), Icon::None },
        { report::importClose(f), QStringLiteral("3021 - Nu exista inregistrare"), BoxKind::Standard,
          QStringLiteral(" cmdIesire_Click "), Icon::None },
        { report::importStructure(160),
          QStringLiteral("Va rugam verificati structura fisierului! (NUME,CODFISCAL,TOTAL,BAZA,TVA) 160"),
          BoxKind::Standard, QStringLiteral(" ImportXLS "), Icon::None },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.got.text, c.text);
        EXPECT_EQ(c.got.box, c.box) << c.text.toStdString();
        EXPECT_EQ(c.got.title, c.title) << c.text.toStdString();
        EXPECT_EQ(c.got.icon, c.icon) << c.text.toStdString();
        EXPECT_EQ(c.got.role, MessageRole::Failure);
    }
    EXPECT_FALSE(report::importChooseFile(Failure { err::DialogCancelled, QString() }, 20).has_value());
}
