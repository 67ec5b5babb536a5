#pragma once

#include "base/Message.h"
#include "base/Result.h"

#include <QString>

#include <optional>

namespace orvida {

// Error numbers raised by our layers. Runtime-style failures keep the numbers a user of the
// authority's tools knows; database failures are 5000 + SQLite's primary result code, so the
// engine's own code stays readable in the report (5001 SQL error such as a missing table or
// column, 5005 locked by another program, 5008 read-only, 5014 cannot open, 5026 not a database);
// a full disk is 61 wherever it happens, the database included.
namespace err {
constexpr int Overflow = 6;
constexpr int TypeMismatch = 13; // a value that cannot be converted (a date that is not a date)
constexpr int UserInterrupt = 18; // the user stopped the job (an import stopped with "Renunta")
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75; // a file or folder that cannot be created or written
constexpr int PathNotFound = 76;
constexpr int ObjectNotSet = 91; // no record set where one was expected
constexpr int InvalidUseOfNull = 94; // a Null where a value is required
constexpr int NoCurrentRecord = 3021; // an empty table where the first row is read
constexpr int ItemNotFound = 3265; // a column missing from a record set
constexpr int DialogCancelled = 32755; // the file dialog was cancelled (never reported)
constexpr int DatabaseBase = 5000;
constexpr int database(int sqlitePrimaryCode)
{
    return DatabaseBase + sqlitePrimaryCode;
}
} // namespace err

namespace report {

// The procedure and object names that failure reports show. Users quote them when they report a
// failure, so they keep these texts whatever the code that fails is called now; this is the only
// place that spells them.
namespace names {
inline constexpr QLatin1String DeclarationProcedure { "cmdCalcul_Click" };
inline constexpr QLatin1String DeclarationForm { "frmRapDec394" };
inline constexpr QLatin1String CompanyParametersProcedure { "InitParaSoc" };
inline constexpr QLatin1String ReadReportedProcedure { "getDisconectedRecordset" };
inline constexpr QLatin1String SharedModule { "Module1" };
inline constexpr QLatin1String CompanyForm { "frmParamSoc" };
inline constexpr QLatin1String CompanyLoadProcedure { "Form_Load" };
inline constexpr QLatin1String FiscalDatesProcedure { "DateValide" };
inline constexpr QLatin1String ImportChooseFileProcedure { "cmdGetSourceSpec1_Click" };
inline constexpr QLatin1String ImportForm { "frmImport" };
inline constexpr QLatin1String ImportCloseProcedure { "cmdIesire_Click" };
inline constexpr QLatin1String ImportProcedure { "ImportXLS" };
} // namespace names

enum class ObjectKind { Form, Module };

// "Eroare " + number + " - " + description + " in procedura " + procedure + " din "
// + ("Form " or "Module ") + object + " Linia: " + label
QString standardText(const Failure& f, const QString& procedure, ObjectKind kind, const QString& object, int label);

// The shared procedures (the company parameters, the reported read): "Module Module1", in the
// program's own box.
Message module1(const Failure& f, const QString& procedure, int label);

// The declaration run; error 94 (a Null identity field) has its own text.
Message declarationRun(const Failure& f, int label);

// Loading and the date checks of the configuration window: the platform's box, the program's title.
Message companyWindow(const Failure& f, const QString& procedure, int label);

// Saving the company: the description alone, stop icon, title "Salvare".
Message companySave(const Failure& f);

// Choosing the import window's file; a cancelled dialog gives no report.
std::optional<Message> importChooseFile(const Failure& f, int label);

// Closing the import window.
Message importClose(const Failure& f);

// The import run: the structure message with the failing step's label.
Message importStructure(int label);

} // namespace report
} // namespace orvida
