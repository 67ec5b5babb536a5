#include "declaration/SemesterFiles.h"

#include "base/Text.h"
#include "declaration/SaveFile.h"

#include <QDir>
#include <QFileInfo>

namespace orvida::declaration {

QString defaultAuthorityProgram(const QProcessEnvironment& environment)
{
#ifdef Q_OS_WIN
    Q_UNUSED(environment);
    return QStringLiteral("C:/Program Files/D394/D394.exe");
#else
    QString prefix = environment.value(QStringLiteral("WINEPREFIX"));
    if (prefix.isEmpty())
        prefix = environment.value(QStringLiteral("HOME"), QDir::homePath()) + QStringLiteral("/.wine");
    return QDir::cleanPath(prefix) + QStringLiteral("/drive_c/Program Files/D394/D394.exe");
#endif
}

SemesterFolders semesterFolders(const ProgramFolder& folder, const QString& authorityProgram)
{
    SemesterFolders f;
    f.errorList = folder.file(QStringLiteral("D394_Erori.txt"));
    const QFileInfo program(authorityProgram);
    if (!authorityProgram.isEmpty() && program.isFile()) {
        const QString installed = program.absolutePath();
        f.report = installed + QStringLiteral("/394_UF/");
        f.restore = installed + QStringLiteral("/394/");
    } else {
        f.report = folder.path() + QLatin1Char('/');
        f.restore = f.report;
    }
    return f;
}

QString reportFileName(int semester, const QDate& start, const QString& code)
{
    return QStringLiteral("394_S%1").arg(semester) + start.toString(QStringLiteral("yy")) + QStringLiteral("_J") + code
        + QStringLiteral(".txt");
}

QString restoreFileName(int semester, const QString& year, const QString& code)
{
    return QStringLiteral("D394_") + year + QStringLiteral("S%1_").arg(semester) + code + QStringLiteral(".txt");
}

Status saveCp1250(const QString& path, const QString& text)
{
    return saveBytes(path, text::toCp1250(text));
}

Message fileWrittenMessage(const QString& path)
{
    return Message::info(QStringLiteral("Fisierul ") + QDir::toNativeSeparators(path)
                         + QStringLiteral(" a fost generat. "))
        .opening(Opens::Folder, QFileInfo(path).absolutePath());
}

Message errorListMessage(const QString& path)
{
    return Message::info(
               QStringLiteral("Exista coduri fiscale eronate. Pentru a le corecta, va rugam consultati fisierul ")
               + QDir::toNativeSeparators(path) + QLatin1Char(' '))
        .opening(Opens::ErrorList, path);
}

Message noErrorsMessage()
{
    return Message::info(QStringLiteral("Declaratia s-a generat fara erori."));
}

} // namespace orvida::declaration
