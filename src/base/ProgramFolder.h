#pragma once

#include <QDir>
#include <QString>

namespace orvida {

// The program folder: the executable's folder or the one given with --home. It holds the
// database, the D394 output tree, the error list, BMP/ and IMPORT/.
class ProgramFolder
{
public:
    ProgramFolder() = default;
    explicit ProgramFolder(const QString& path)
        : m_path(QDir::cleanPath(QDir(path).absolutePath()))
    { }

    const QString& path() const { return m_path; }
    QString file(const QString& relative) const { return m_path + QLatin1Char('/') + relative; }
    QString databasePath() const { return file(QStringLiteral("Orvida.mdb")); }

private:
    QString m_path;
};

} // namespace orvida
