#include "WorkWindowShots.h"

#include "declaration/DeclarationRun.h"
#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "windows/CompanyWindow.h"
#include "windows/DeclarationWindow.h"
#include "windows/ImportWindow.h"
#include "windows/ReviewWindow.h"
#include "windows/SummaryPreview.h"

#include <QApplication>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QTabWidget>
#include <QTemporaryDir>

namespace orvida::shots {

namespace {

// The windows open on a demo company; a message box would wait for a user, so none may appear.
class NoPrompts : public Prompts
{
public:
    int messageBoxExt(QWidget*, const msgbox::Request&) override { return msgbox::Ok; }
    void standardBox(QWidget*, const QString&, const QString&, Icon) override { }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    void printPreview(QWidget*, const QString&, const std::function<void(QPagedPaintDevice&)>&) override { }
    QString existingFolder(QWidget*, const QString&, const QString&) override { return {}; }
    bool openLocation(const QString&) override { return true; }
};

bool demoCompany(const ProgramFolder& folder, QTextStream& err)
{
    if (!store::initDatabase(folder, 2024)) {
        err << folder.path() << ": baza de date nu se poate crea" << Qt::endl;
        return false;
    }
    const QString statements[] = {
        QStringLiteral("UPDATE Zet_Info SET DENUMIRE = 'Agromec Baragan SRL', TIP = 'SRL', NREGCOM = 'J51/123/2004', "
                       "CODFISCAL = 'RO2816464', STRADA1 = 'Bulevardul Republicii', NR1 = '12', BLOC1 = 'A2', "
                       "AP1 = '4', ORAS1 = 'Calarasi', JUDET1 = 'CL', CODPOSTAL1 = '910001', "
                       "TELEFON1 = '0242-311234', FAX1 = '0242-311235', EMAIL1 = 'contabil@agromec.ro'"),
        QStringLiteral("INSERT INTO zet_jct_UE (NUME, CODF, TOTAL, COL6, COL7) VALUES "
                       "('Stefanescu Tesatorii SRL', 'RO14399840', 1190, 1000, 190), "
                       "('Ionescu Mihai PFA', '4329883', 23800, 20000, 3800)"),
        QStringLiteral("INSERT INTO zet_jvt_UE (NUME, CODF, TOTAL, COL6, COL7) VALUES "
                       "('Branzeturi Campulung SA', 'RO14399840', 1469125, 1234559, 234566)"),
    };
    for (const QString& sql : statements) {
        if (!store::execute(folder, sql)) {
            err << "datele demonstrative nu se pot scrie" << Qt::endl;
            return false;
        }
    }
    return true;
}

bool save(const QImage& image, const QDir& out, const QString& name, QTextStream& err)
{
    const QString path = out.filePath(name);
    if (image.save(path, "PNG"))
        return true;
    err << path << ": nu se poate scrie" << Qt::endl;
    return false;
}

QImage shot(QWidget& window, const Framer& framed)
{
    window.show();
    QApplication::processEvents();
    return framed(window.grab(), window.windowTitle());
}

} // namespace

bool saveWorkWindows(const QDir& out, const Pictures& pictures, const Framer& framed, QTextStream& err)
{
    QTemporaryDir dir;
    const ProgramFolder folder(dir.path());
    if (!dir.isValid() || !demoCompany(folder, err))
        return false;
    FixedClock clock(QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)));
    NoPrompts prompts;
    const Shell shell { folder, clock, prompts, pictures };
    bool ok = true;

    {
        company::CompanyWindow window(shell);
        ok &= save(shot(window, framed), out, QStringLiteral("societate.png"), err);
        window.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(1);
        ok &= save(shot(window, framed), out, QStringLiteral("societate-exercitiu.png"), err);
    }
    {
        import::ImportWindow window(shell, QLatin1Char('C'));
        window.findChild<QLineEdit*>(QStringLiteral("txtSourceSpec1"))
            ->setText(QStringLiteral("C:/Orvida/IMPORT/achizitii_2024_S1.xls"));
        ok &= save(shot(window, framed), out, QStringLiteral("import.png"), err);
    }
    {
        declaration::DeclarationWindow window(shell);
        window.findChild<QLineEdit*>(QStringLiteral("TextNume"))->setText(QStringLiteral("Popescu"));
        window.findChild<QLineEdit*>(QStringLiteral("TextPrenume"))->setText(QStringLiteral("Ana"));
        window.findChild<QLineEdit*>(QStringLiteral("TextFunctie"))->setText(QStringLiteral("Administrator"));
        ok &= save(shot(window, framed), out, QStringLiteral("declaratie.png"), err);

        // "Verificare" on the demo company's fiscal year: its lines and what the review found.
        MessageList reviewMessages;
        if (auto review
            = declaration::reviewDeclaration(folder, QDate(2024, 1, 1), QDate(2024, 12, 31), reviewMessages)) {
            declaration::ReviewWindow reviewWindow(shell, std::move(*review));
            reviewWindow.resize(reviewWindow.sizeHint().expandedTo(QSize(1000, 520)));
            ok &= save(shot(reviewWindow, framed), out, QStringLiteral("verificare.png"), err);
        } else {
            err << "verificarea demonstrativa nu se poate face" << Qt::endl;
            ok = false;
        }

        // The summary of a first-semester run, as its preview shows it.
        declaration::DeclarationInputs inputs = window.inputs();
        inputs.rules2012 = false;
        company::CompanyParameters parameters;
        MessageList messages;
        (void)company::loadCompanyParameters(folder, clock, parameters, messages);
        const declaration::DeclarationContext context { folder, clock, parameters, QString() };
        const auto outcome = declaration::runDeclaration(inputs, context, messages);
        if (!outcome.semester || !outcome.semester->summary) {
            err << "rezumatul nu s-a putut pregati: " << messages.texts().join(QLatin1Char('\n')) << Qt::endl;
            return false;
        }
        // The preview exactly as the desktop program opens it.
        DialogPrompts dialogs(pictures);
        declaration::showSummaryPreview(dialogs, nullptr, *outcome.semester->summary);
        QPrintPreviewDialog* preview = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QPrintPreviewDialog*>(w); p && p->isVisible())
                preview = p;
        if (!preview) {
            err << "previzualizarea rezumatului nu s-a deschis" << Qt::endl;
            return false;
        }
        preview->resize(900, 1000);
        ok &= save(shot(*preview, framed), out, QStringLiteral("rezumat.png"), err);
        delete preview;
    }
    return ok;
}

} // namespace orvida::shots
