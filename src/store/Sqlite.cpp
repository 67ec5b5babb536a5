#include "store/Sqlite.h"

#include "base/ErrorReport.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace orvida::store {

Failure sqliteFailure(int code, const QString& engineText, const QString& path)
{
    const int primary = code & 0xff;
    QString text;
    switch (primary) {
    case SQLITE_CANTOPEN:
        if (!path.isEmpty() && !QFileInfo::exists(path))
            text = QStringLiteral("Baza de date %1 nu exista. Creati-o cu comanda \"orvida init\".").arg(path);
        else
            text = QStringLiteral("Baza de date nu poate fi deschisa (%1).").arg(engineText);
        break;
    case SQLITE_NOTADB:
        text = QStringLiteral("Fisierul %1 nu este o baza de date Orvida (%2).").arg(path, engineText);
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        text = QStringLiteral("Baza de date este blocata de alt program; incercati din nou (%1).").arg(engineText);
        break;
    case SQLITE_READONLY:
        text = QStringLiteral(
                   "Baza de date nu poate fi modificata: fisierul sau folderul este protejat la scriere (%1).")
                   .arg(engineText);
        break;
    case SQLITE_FULL:
        text = QStringLiteral("Discul este plin (%1).").arg(engineText);
        break;
    case SQLITE_IOERR:
        text = QStringLiteral("Eroare de citire sau scriere pe disc (%1).").arg(engineText);
        break;
    default:
        text = engineText;
    }
    return Failure { err::database(primary), text };
}

Result<Connection> Connection::openWith(const QString& path, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        return sqliteFailure(rc, text, path);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    Connection c(db);
    // Reading the journal mode touches the file header, so a file that is not a database fails
    // here rather than at the first query.
    if (Status s = c.exec(QStringLiteral("PRAGMA journal_mode=WAL")); !s) {
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
    if (!QFileInfo::exists(path))
        return sqliteFailure(SQLITE_CANTOPEN, QStringLiteral("unable to open database file"), path);
    return openWith(path, SQLITE_OPEN_READWRITE);
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
    const int code = sqlite3_extended_errcode(m_db);
    return sqliteFailure(code, QString::fromUtf8(sqlite3_errmsg(m_db)),
                         QString::fromUtf8(sqlite3_db_filename(m_db, "main")));
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
        return sqliteFailure(rc, text, QString::fromUtf8(sqlite3_db_filename(m_db, "main")));
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
    return sqliteFailure(sqlite3_extended_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)),
                         QString::fromUtf8(sqlite3_db_filename(m_db, "main")));
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
    sqlite3_clear_bindings(m_stmt);
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
