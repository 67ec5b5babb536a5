#include "base/ErrorReport.h"

namespace orvida::report {

QString standardText(const Failure& f, const QString& procedure, ObjectKind kind, const QString& object, int label)
{
    return QStringLiteral("Eroare ") + QString::number(f.number) + QStringLiteral(" - ") + f.description
        + QStringLiteral(" in procedura ") + procedure + QStringLiteral(" din ")
        + (kind == ObjectKind::Form ? QStringLiteral("Form ") : QStringLiteral("Module ")) + object
        + QStringLiteral(" Linia: ") + QString::number(label);
}

Message module1(const Failure& f, const QString& procedure, int label)
{
    return Message::failure(standardText(f, procedure, ObjectKind::Module, names::SharedModule, label));
}

Message declarationRun(const Failure& f, int label)
{
    if (f.number == err::InvalidUseOfNull)
        return Message::failure(
            QStringLiteral("Datele de identificare ale persoanei inregistrate in scopuri de TVA nu sunt complete."));
    return Message::failure(
        standardText(f, names::DeclarationProcedure, ObjectKind::Form, names::DeclarationForm, label));
}

Message companyWindow(const Failure& f, const QString& procedure, int label)
{
    Message m = Message::failure(standardText(f, procedure, ObjectKind::Form, names::CompanyForm, label));
    m.box = BoxKind::Standard;
    return m;
}

Message companySave(const Failure& f)
{
    Message m = Message::failure(f.description);
    m.box = BoxKind::Standard;
    m.icon = Icon::Stop;
    m.title = QStringLiteral("Salvare");
    return m;
}

std::optional<Message> importChooseFile(const Failure& f, int label)
{
    if (f.number == err::DialogCancelled)
        return std::nullopt;
    return Message::failure(QStringLiteral("Error ") + QString::number(f.number) + QStringLiteral(" (") + f.description
                            + QStringLiteral(") in procedure ") + names::ImportChooseFileProcedure
                            + QStringLiteral(" of Form ") + names::ImportForm + QStringLiteral(" Linia: ")
                            + QString::number(label));
}

Message importClose(const Failure& f)
{
    Message m = Message::failure(QString::number(f.number) + QStringLiteral(" - ") + f.description);
    m.box = BoxKind::Standard;
    m.title = QStringLiteral(" ") + names::ImportCloseProcedure + QStringLiteral(" ");
    return m;
}

Message importStructure(int label)
{
    Message m
        = Message::failure(QStringLiteral("Va rugam verificati structura fisierului! (NUME,CODFISCAL,TOTAL,BAZA,TVA) ")
                           + QString::number(label));
    m.box = BoxKind::Standard;
    m.title = QStringLiteral(" ") + names::ImportProcedure + QStringLiteral(" ");
    return m;
}

} // namespace orvida::report
