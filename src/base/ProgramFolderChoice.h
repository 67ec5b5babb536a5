#pragma once

#include <QString>

namespace orvida {

// Where the program folder came from.
enum class FolderOrigin {
    Home, // --home DIR
    UserData, // an installed copy: the user's data folder
    Executable, // the executable's folder: the build tree, a portable copy
};

struct ProgramFolderChoice
{
    QString path;
    FolderOrigin origin = FolderOrigin::Executable;
};

// The program folder: the --home folder when one is given (`home` not empty); otherwise, for an
// installed copy (see isInstalledCopy), the user's data folder `userData`, so that a copy under
// /usr/bin never keeps its database beside the executable, whoever runs it; otherwise the
// executable's folder.
ProgramFolderChoice chooseProgramFolder(const QString& executableFolder, const QString& home, const QString& userData);

// Makes the folder ready to hold the database: created when missing, then written to once.
// Returns an empty text when the folder is usable, otherwise the reason in Romanian, naming it.
QString prepareProgramFolder(const QString& path);

// "Folderul programului: PATH" and where it comes from, as --help and the about box say it.
QString programFolderText(const ProgramFolderChoice& choice);

} // namespace orvida
