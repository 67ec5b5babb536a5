#pragma once

#include "base/Message.h"
#include "base/ProgramFolder.h"
#include "base/Result.h"

#include <QDate>
#include <QProcessEnvironment>
#include <QString>

namespace orvida::declaration {

// Where the authority's D394 program is looked for: "C:/Program Files/D394/D394.exe" on Windows,
// elsewhere "$WINEPREFIX/drive_c/Program Files/D394/D394.exe" with WINEPREFIX defaulting to
// ~/.wine. Only its presence is ever tested.
QString defaultAuthorityProgram(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The folders of one semester run, each ending in "/".
struct SemesterFolders
{
    QString report; // the authority's 394_UF/ when its program is installed, else the program folder
    QString restore; // the authority's 394/ likewise
    QString errorList; // full path of D394_Erori.txt, always in the program folder
};
SemesterFolders semesterFolders(const ProgramFolder& folder, const QString& authorityProgram);

// "394_S1" or "394_S2" + the two-digit year of the semester's start + "_J" + company code + ".txt".
QString reportFileName(int semester, const QDate& start, const QString& code);
// "D394_" + the year of the semester's end + "S1_" or "S2_" + company code + ".txt".
QString restoreFileName(int semester, const QString& year, const QString& code);

// Writes a text in Windows-1250, replacing an earlier file only once the new one is complete.
Status saveCp1250(const QString& path, const QString& text);

// The messages that close a semester run.
Message fileWrittenMessage(const QString& path);
Message errorListMessage(const QString& path);
Message noErrorsMessage();

} // namespace orvida::declaration
