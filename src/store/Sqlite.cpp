#include "store/Sqlite.h"

#include "base/ErrorReport.h"
#include "store/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <optional>

namespace orvida::store {

namespace {

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString folderOf(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

bool refusedWrite(int systemErrno)
{
    return systemErrno == EACCES || systemErrno == EPERM || systemErrno == EROFS;
}

bool folderWritable(const QString& path)
{
    return path.isEmpty() || QFileInfo(QFileInfo(path).absolutePath()).isWritable();
}

bool fullDisk(int systemErrno)
{
    return systemErrno == ENOSPC || systemErrno == EDQUOT;
}

// A database file begins with these 16 bytes; an empty file is not yet a database.
bool hasDatabaseHeader(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // not readable here: the engine reports why
    return file.read(16) == QByteArray("SQLite format 3", 16);
}

} // namespace

Failure sqliteFailure(int code, const QString& engineText, const QString& path, int systemErrno)
{
    const int primary = code & 0xff;
    const QString protectedFolder
        = QStringLiteral("Baza de date %1 nu poate fi modificata: folderul %2 este protejat la scriere (%3).");
    switch (primary) {
    case SQLITE_CANTOPEN:
        if (!path.isEmpty() && !QFileInfo::exists(path))
            return { err::database(primary),
                     QStringLiteral("Baza de date %1 nu exista; creati-o mai intai.").arg(path) };
        // The file is there but its journal cannot be made beside it. The engine's errno is often
        // that of its last attempt (ENOENT), so the folder itself is asked too.
        if (refusedWrite(systemErrno) || !folderWritable(path))
            return { err::database(SQLITE_READONLY), protectedFolder.arg(shownPath(path), folderOf(path), engineText) };
        return { err::database(primary), QStringLiteral("Baza de date nu poate fi deschisa (%1).").arg(engineText) };
    case SQLITE_NOTADB:
        return { err::database(primary),
                 QStringLiteral("Fisierul %1 nu este o baza de date Orvida (%2).").arg(path, engineText) };
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return { err::database(primary),
                 QStringLiteral("Baza de date este blocata de alt program; incercati din nou (%1).").arg(engineText) };
    case SQLITE_READONLY:
        if (code == SQLITE_READONLY_DIRECTORY || code == SQLITE_READONLY_CANTINIT || code == SQLITE_READONLY_CANTLOCK
            || refusedWrite(systemErrno))
            return { err::database(primary), protectedFolder.arg(shownPath(path), folderOf(path), engineText) };
        return { err::database(primary),
                 QStringLiteral("Baza de date %1 nu poate fi modificata: fisierul sau folderul %2 este protejat la "
                                "scriere (%3).")
                     .arg(shownPath(path), folderOf(path), engineText) };
    case SQLITE_FULL:
        return { err::DiskFull,
                 QStringLiteral("Discul este plin: baza de date %1 nu poate fi scrisa (%2).")
                     .arg(shownPath(path), engineText) };
    case SQLITE_IOERR:
        if (fullDisk(systemErrno))
            return { err::DiskFull,
                     QStringLiteral("Discul este plin: baza de date %1 nu poate fi scrisa (%2).")
                         .arg(shownPath(path), engineText) };
        if (refusedWrite(systemErrno))
            return { err::database(SQLITE_READONLY), protectedFolder.arg(shownPath(path), folderOf(path), engineText) };
        return { err::database(primary), QStringLiteral("Eroare de citire sau scriere pe disc (%1).").arg(engineText) };
    default:
        return { err::database(primary), engineText };
    }
}

namespace {

Failure failureOf(sqlite3* db, int code, const QString& text)
{
    return sqliteFailure(code, text, QString::fromUtf8(sqlite3_db_filename(db, "main")), sqlite3_system_errno(db));
}

// A missing file fails as it would at the first connection. The engine would make an empty file
// into a database on the first pragma; a file that is not one yet is refused before anything is
// written to it.
std::optional<Failure> refuseNonDatabase(const QString& path)
{
    if (!QFileInfo::exists(path))
        return sqliteFailure(SQLITE_CANTOPEN, QStringLiteral("unable to open database file"), path);
    if (!QFileInfo(path).isFile() || !hasDatabaseHeader(path))
        return sqliteFailure(SQLITE_NOTADB, QStringLiteral("file is not a database"), path);
    return std::nullopt;
}

} // namespace

Result<Connection> Connection::openWith(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        const int systemErrno = db ? sqlite3_system_errno(db) : 0;
        sqlite3_close(db);
        return sqliteFailure(rc, text, path, systemErrno);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    Connection c(db);
    if (flags & SQLITE_OPEN_READONLY)
        return c;
    // Setting the journal mode touches the file header, so a file that is not a database fails
    // here rather than at the first query. The write-ahead log needs memory shared on one machine;
    // on a network share the rollback journal keeps several computers safe.
    const bool network = fileSystemKind(QFileInfo(path).absolutePath()) == FileSystemKind::Network;
    if (Status s
        = c.exec(network ? QStringLiteral("PRAGMA journal_mode=DELETE") : QStringLiteral("PRAGMA journal_mode=WAL"));
        !s) {
        Failure f = s.failure();
        if ((f.number - err::DatabaseBase) == SQLITE_NOTADB)
            f = sqliteFailure(SQLITE_NOTADB, QString::fromUtf8(sqlite3_errmsg(db)), path);
        return f;
    }
    if (Status s = c.exec(QStringLiteral("PRAGMA foreign_keys=OFF; PRAGMA synchronous=NORMAL")); !s)
        return s.failure();
    return c;
}

Result<Connection> Connection::open(const QString& path)
{
    if (auto refused = refuseNonDatabase(path))
        return *refused;
    return openWith(path, SQLITE_OPEN_READWRITE);
}

Result<Connection> Connection::openReadOnly(const QString& path)
{
    if (auto refused = refuseNonDatabase(path))
        return *refused;
    return openWith(path, SQLITE_OPEN_READONLY);
}

Result<Connection> Connection::create(const QString& path)
{
    return openWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

Connection::Connection(Connection&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
{ }

Connection& Connection::operator=(Connection&& other) noexcept
{
    if (this != &other) {
        sqlite3_close_v2(m_db);
        m_db = std::exchange(other.m_db, nullptr);
    }
    return *this;
}

Connection::~Connection()
{
    sqlite3_close_v2(m_db);
}

Failure Connection::lastFailure(const QString& sql) const
{
    Q_UNUSED(sql);
    return failureOf(m_db, sqlite3_extended_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
}

int Connection::changes() const
{
    return sqlite3_changes(m_db);
}

Status Connection::exec(const QString& sql)
{
    char* msg = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        const QString text = msg ? QString::fromUtf8(msg) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(msg);
        return failureOf(m_db, rc, text);
    }
    return {};
}

Result<Statement> Connection::prepare(const QString& sql)
{
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return lastFailure(sql);
    }
    return Statement(stmt, m_db, sql);
}

Statement::Statement(Statement&& other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr))
    , m_db(other.m_db)
    , m_sql(std::move(other.m_sql))
{ }

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(other.m_stmt, nullptr);
        m_db = other.m_db;
        m_sql = std::move(other.m_sql);
    }
    return *this;
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Failure Statement::failure() const
{
    return failureOf(m_db, sqlite3_extended_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
}

Status Statement::bind(int index, const Value& value)
{
    int rc = SQLITE_OK;
    switch (value.type()) {
    case Value::Type::Empty:
    case Value::Type::Null:
        rc = sqlite3_bind_null(m_stmt, index);
        break;
    case Value::Type::Integer:
        rc = sqlite3_bind_int64(m_stmt, index, value.toInteger());
        break;
    case Value::Type::Real:
        rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
        break;
    case Value::Type::Text: {
        const QByteArray utf8 = value.toText().toUtf8();
        rc = sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK)
        return failure();
    return {};
}

Status Statement::bindAll(const QList<Value>& values)
{
    for (int i = 0; i < values.size(); ++i)
        if (Status s = bind(i + 1, values[i]); !s)
            return s;
    return {};
}

Status Statement::bindText(int index, QByteArrayView utf8)
{
    // An empty text is still a text, never NULL: SQLite binds NULL for a null pointer.
    const char* bytes = utf8.data() ? utf8.data() : "";
    if (sqlite3_bind_text(m_stmt, index, bytes, int(utf8.size()), SQLITE_STATIC) != SQLITE_OK)
        return failure();
    return {};
}

Status Statement::bindReal(int index, double value)
{
    if (sqlite3_bind_double(m_stmt, index, value) != SQLITE_OK)
        return failure();
    return {};
}

Result<bool> Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    Failure f = failure();
    sqlite3_reset(m_stmt);
    return f;
}

Status Statement::run()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        Failure f = failure();
        sqlite3_reset(m_stmt);
        return f;
    }
    sqlite3_reset(m_stmt);
    return {};
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int index) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, index));
}

Value Statement::column(int index) const
{
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_INTEGER:
        return Value(qint64(sqlite3_column_int64(m_stmt, index)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(m_stmt, index));
    case SQLITE_NULL:
        return Value::null();
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
        return Value(QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, index)));
    }
    }
}

int sqliteVersion()
{
    return sqlite3_libversion_number();
}

Statement::Storage Statement::columnStorage(int index) const
{
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_INTEGER:
        return Storage::Integer;
    case SQLITE_FLOAT:
        return Storage::Real;
    case SQLITE_NULL:
        return Storage::Null;
    case SQLITE_BLOB:
        return Storage::Blob;
    default:
        return Storage::Text;
    }
}

qint64 Statement::columnInteger(int index) const
{
    return sqlite3_column_int64(m_stmt, index);
}

double Statement::columnReal(int index) const
{
    return sqlite3_column_double(m_stmt, index);
}

QByteArrayView Statement::columnBytes(int index) const
{
    // The stored bytes (text in the database's own encoding), unconverted.
    const auto* data = static_cast<const char*>(sqlite3_column_blob(m_stmt, index));
    return QByteArrayView(data, sqlite3_column_bytes(m_stmt, index));
}

Transaction::Transaction(Connection& connection)
    : m_connection(connection)
{
    // IMMEDIATE takes the write lock at once, so a locked database fails here, before any work.
    m_begun = m_connection.exec(QStringLiteral("BEGIN IMMEDIATE"));
    m_active = m_begun.ok();
}

Transaction::~Transaction()
{
    if (m_active)
        (void)m_connection.exec(QStringLiteral("ROLLBACK"));
}

Status Transaction::commit()
{
    if (!m_active)
        return m_begun.ok() ? Status(Failure { err::database(SQLITE_MISUSE), QStringLiteral("tranzactie inchisa") })
                            : m_begun;
    Status s = m_connection.exec(QStringLiteral("COMMIT"));
    if (s)
        m_active = false;
    return s;
}

} // namespace orvida::store
