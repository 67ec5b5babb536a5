#pragma once

#include "base/Result.h"
#include "base/Value.h"

#include <QByteArrayView>
#include <QString>

#include <initializer_list>

struct sqlite3;
struct sqlite3_stmt;

namespace orvida::store {

// Busy timeout: how long a statement waits for another connection (another window, a second
// copy of the program) to release the file before it fails as locked.
constexpr int BusyTimeoutMs = 5000;

class Statement;

// One connection to an SQLite file. It owns the handle; moves, never copies.
class Connection
{
public:
    // Opens an existing database read-write. A missing file, or one that is not yet a database (an
    // empty file), is a failure: opening never creates and never writes to such a file. On a
    // network share the rollback journal is used instead of the write-ahead log.
    static Result<Connection> open(const QString& path);
    // Opens an existing database only to read it (a file to restore from); nothing is written to it.
    static Result<Connection> openReadOnly(const QString& path);
    // Creates a new database file (the file must not exist). Used only by `orvida init`.
    static Result<Connection> create(const QString& path);

    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Runs SQL text without values (schema, pragmas, transaction control).
    Status exec(const QString& sql);
    Result<Statement> prepare(const QString& sql);

    // The failure of the last operation on this connection, carrying SQLite's code and text.
    Failure lastFailure(const QString& sql = {}) const;

    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;

    sqlite3* handle() const { return m_db; }

private:
    explicit Connection(sqlite3* db)
        : m_db(db)
    { }
    static Result<Connection> openWith(const QString& path, int flags);

    sqlite3* m_db = nullptr;
};

// A prepared statement. Values are always bound, never spliced into the SQL text.
class Statement
{
public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Binds by 1-based position. Empty and Null bind SQL NULL.
    Status bind(int index, const Value& value);
    Status bindAll(const QList<Value>& values);
    // Binds UTF-8 text without copying it, for a statement run over many rows: the bytes must
    // stay as they are until the statement has run, and it is not run again before the place is
    // bound again.
    Status bindText(int index, QByteArrayView utf8);
    Status bindReal(int index, double value);

    // Advances to the next row: true on a row, false when done.
    Result<bool> step();
    // Runs a statement that returns no rows, then resets it for the next binding. The values stay
    // bound: a statement run again is bound again, every place of it, or reset() first.
    Status run();
    // Resets the statement and unbinds its values.
    void reset();

    int columnCount() const;
    QString columnName(int index) const;
    Value column(int index) const;

    // The current row's column as SQLite stores it, for readers that walk many rows without
    // building a Value for each. The bytes stay valid until the next step.
    enum class Storage { Null, Integer, Real, Text, Blob };
    Storage columnStorage(int index) const;
    qint64 columnInteger(int index) const;
    double columnReal(int index) const;
    QByteArrayView columnBytes(int index) const;

private:
    friend class Connection;
    Statement(sqlite3_stmt* stmt, sqlite3* db, QString sql)
        : m_stmt(stmt)
        , m_db(db)
        , m_sql(std::move(sql))
    { }
    Failure failure() const;

    sqlite3_stmt* m_stmt = nullptr;
    sqlite3* m_db = nullptr;
    QString m_sql;
};

// Rolls back unless commit() succeeded.
class Transaction
{
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // False when the transaction could not be started (the database is locked, read-only...).
    Status begun() const { return m_begun; }
    Status commit();

private:
    Connection& m_connection;
    Status m_begun;
    bool m_active = false;
};

// The linked SQLite's version number (3.40.1 is 3040001).
int sqliteVersion();

// The Romanian description of an SQLite failure, keeping the engine's own text. `code` may be an
// extended code; `systemErrno` is the system's error behind it (sqlite3_system_errno), which tells
// a protected folder (5008, naming the folder) and a full disk (61) from other failures.
Failure sqliteFailure(int code, const QString& engineText, const QString& path = {}, int systemErrno = 0);

} // namespace orvida::store
