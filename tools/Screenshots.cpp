// Renders the desktop program's windows offscreen into PNG files for the documentation: the
// main window with its "&Import" menu open, the about box, the splash window, two message
// boxes and the work windows with the summary preview (WorkWindowShots.cpp). Each picture gets a
// plain title bar, since a grab holds only the window's own area.
// Run through scripts/screenshots.

#include "WorkWindowShots.h"
#include "app/AboutBox.h"
#include "app/MainPlacement.h"
#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "base/Clock.h"
#include "base/MessageBoxLayout.h"
#include "gui/MessageBoxExtDialog.h"
#include "gui/Pictures.h"
#include "gui/Prompts.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

using namespace orvida;

QImage framed(const QPixmap& client, const QString& title)
{
    const int bar = 26;
    const int border = 1;
    QImage out(client.width() + 2 * border, client.height() + bar + border, QImage::Format_RGB32);
    out.fill(QColor(70, 90, 120));
    QPainter p(&out);
    QLinearGradient g(0, 0, 0, bar);
    g.setColorAt(0, QColor(80, 110, 160));
    g.setColorAt(1, QColor(50, 75, 120));
    p.fillRect(QRect(0, 0, out.width(), bar), g);
    QFont f = QApplication::font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(8, 0, out.width() - 40, bar), Qt::AlignVCenter | Qt::AlignLeft, title);
    // The close box.
    p.setPen(QPen(Qt::white, 2));
    const QPoint c(out.width() - 14, bar / 2);
    p.drawLine(c + QPoint(-4, -4), c + QPoint(4, 4));
    p.drawLine(c + QPoint(4, -4), c + QPoint(-4, 4));
    p.drawPixmap(border, bar, client);
    return out;
}

bool save(const QImage& image, const QDir& folder, const QString& name, QTextStream& err)
{
    const QString path = folder.filePath(name);
    if (image.save(path, "PNG"))
        return true;
    err << path << ": nu se poate scrie" << Qt::endl;
    return false;
}

QImage messageBox(const msgbox::Request& request, const Pictures& pictures)
{
    MessageBoxExtDialog box(request, pictures);
    box.show();
    QApplication::processEvents();
    return framed(box.grab(), box.windowTitle());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 3) {
        err << "Utilizare: orvida_screenshots FOLDER_PNG FOLDER_BMP" << Qt::endl;
        return 64;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    const Pictures pictures({ QString::fromLocal8Bit(argv[2]) });
    FixedClock clock(QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)));
    DialogPrompts prompts(pictures);
    // The main window's panel shows a sample company from a folder of its own.
    QTemporaryDir company;
    const ProgramFolder folder(company.filePath(QStringLiteral("Agromec")));
    if (!store::initDatabase(folder, 2024)
        || !store::execute(folder,
                           QStringLiteral("UPDATE Zet_Info SET DENUMIRE = 'Agromec Baragan SRL', CODFISCAL = "
                                          "'RO2816464'"))) {
        err << folder.path() << ": baza de date nu se poate crea" << Qt::endl;
        return 1;
    }
    const Shell shell { folder, clock, prompts, pictures };
    bool ok = true;

    {
        MainWindow main(shell, {}, MainPlacement {});
        main.show();
        QApplication::processEvents();
        auto* import = main.menuBar()->findChild<QMenu*>(QStringLiteral("mnuImport"));
        main.menuBar()->setActiveAction(import->menuAction());
        QApplication::processEvents();
        import->setActiveAction(import->actions().constFirst());
        QApplication::processEvents();
        QImage window = framed(main.grab(), main.windowTitle());
        QPainter p(&window);
        const QPoint at
            = main.menuBar()->mapTo(&main, main.menuBar()->actionGeometry(import->menuAction()).bottomLeft());
        p.drawPixmap(at + QPoint(1, 26), import->grab());
        p.end();
        import->hide();
        ok &= save(window, out, QStringLiteral("fereastra-principala.png"), err);
    }
    {
        AboutBox about(QStringLiteral("/home/contabil/.local/share/Orvida"));
        about.show();
        QApplication::processEvents();
        ok &= save(framed(about.grab(), about.windowTitle()), out, QStringLiteral("despre.png"), err);
    }
    {
        SplashWindow splash;
        splash.show();
        QApplication::processEvents();
        ok &= save(splash.grab().toImage(), out, QStringLiteral("pornire.png"), err);
    }
    {
        msgbox::Request report;
        report.prompt = QStringLiteral("Eroare 5014 - unable to open database file in procedura InitParaSoc din Module "
                                       "Module1 Linia: 20");
        ok &= save(messageBox(report, pictures), out, QStringLiteral("mesaj-eroare.png"), err);

        msgbox::Request question;
        question.prompt = QStringLiteral("Jurnalul de achizitii contine date.\nLe inlocuiti cu cele din fisier?");
        question.style = msgbox::YesNoCancel | msgbox::QuestionIcon | msgbox::HelpButton | msgbox::DefaultButton2;
        question.title = QStringLiteral("Import achizitii");
        ok &= save(messageBox(question, pictures), out, QStringLiteral("mesaj-intrebare.png"), err);

        msgbox::Request retry;
        retry.prompt = QStringLiteral("Fisierul este folosit de alt program.");
        retry.style = msgbox::AbortRetryIgnore | msgbox::ExclamationIcon;
        retry.captions = QStringList { QString(), QString(), QStringLiteral("Ignora si continua") };
        ok &= save(messageBox(retry, pictures), out, QStringLiteral("mesaj-reincercare.png"), err);
    }
    ok &= shots::saveWorkWindows(out, pictures, framed, err);
    return ok ? 0 : 2;
}
