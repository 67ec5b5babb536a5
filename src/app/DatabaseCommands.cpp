#include "app/DatabaseCommands.h"

#include "gui/Prompts.h"
#include "store/Backup.h"

#include <QDir>

namespace orvida {

namespace {

const QString Filter = QStringLiteral("Baze de date (*.mdb);;Toate fisierele (*)");

} // namespace

void saveDatabaseCopy(QWidget* parent, const Shell& shell)
{
    const QString title = QStringLiteral("Salvare baza de date");
    const QString suggested = shell.folder.file(
        QStringLiteral("Orvida-copie-%1.mdb").arg(shell.clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
    const QString path = shell.prompts.saveFileName(parent, title, suggested, Filter);
    if (path.isEmpty())
        return;
    if (Status s = store::checkBackupTarget(shell.folder, path); !s) {
        shell.prompts.standardBox(parent, s.failure().description, title, Icon::Exclamation);
        return;
    }
    if (Status s = store::backupDatabase(shell.folder, path); !s) {
        shell.prompts.standardBox(parent, s.failure().description, title, Icon::Stop);
        return;
    }
    shell.prompts.standardBox(
        parent, QStringLiteral("Baza de date a fost salvata in fisierul %1.").arg(QDir::toNativeSeparators(path)),
        title, Icon::Information);
}

void restoreDatabaseCopy(QWidget* parent, const Shell& shell)
{
    const QString title = QStringLiteral("Restaurare baza de date");
    const QString path = shell.prompts.openFileName(parent, title, shell.folder.path(), Filter);
    if (path.isEmpty())
        return;
    if (Status s = store::checkRestoreSource(shell.folder, path); !s) {
        shell.prompts.standardBox(parent, s.failure().description, title, Icon::Exclamation);
        return;
    }
    const msgbox::Request confirm { QStringLiteral(
                                        "Baza de date a programului va fi inlocuita cu copia din fisierul %1.\n"
                                        "Baza de date actuala va fi pastrata alaturi.\nContinuati?")
                                        .arg(QDir::toNativeSeparators(path)),
                                    msgbox::YesNo | msgbox::QuestionIcon | msgbox::DefaultButton2,
                                    title,
                                    0,
                                    {} };
    if (shell.prompts.messageBoxExt(parent, confirm) != msgbox::Yes)
        return;
    auto outcome = store::restoreDatabase(shell.folder, path, shell.clock.now());
    if (!outcome) {
        shell.prompts.standardBox(parent, outcome.failure().description, title, Icon::Stop);
        return;
    }
    QString text
        = QStringLiteral("Baza de date a fost restaurata din fisierul %1.").arg(QDir::toNativeSeparators(path));
    if (!outcome->keptAs.isEmpty())
        text += QStringLiteral("\nBaza de date anterioara a fost pastrata in fisierul %1.")
                    .arg(QDir::toNativeSeparators(outcome->keptAs));
    shell.prompts.standardBox(parent, text, title, Icon::Information);
}

} // namespace orvida
