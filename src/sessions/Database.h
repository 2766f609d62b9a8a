#pragma once

// The one small adapter the store reaches both database servers through: prepared statements
// with positional parameters, bound by value, stepped row by row, columns read by type. SQL is
// written once with '?' placeholders (the PostgreSQL side numbers them $1..$n). Every failure
// throws DatabaseError with the server's reason.

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pelmor {

enum class Backend { Sqlite, Postgres };

class DatabaseError : public std::runtime_error {
  public:
    enum class Kind { Other, Unique };  // Unique: a UNIQUE constraint was violated
    explicit DatabaseError(const std::string& what, Kind kind = Kind::Other)
        : std::runtime_error(what), kind_(kind) {}
    Kind kind() const { return kind_; }

  private:
    Kind kind_;
};

// Parameters count from 1 (as ?/$n do), columns from 0. Bindings stay until bound again.
class Statement {
  public:
    virtual ~Statement() = default;
    virtual void BindText(int parameter, std::string_view text) = 0;
    virtual void BindInt64(int parameter, int64_t value) = 0;
    virtual void BindDouble(int parameter, double value) = 0;
    virtual void BindBlob(int parameter, std::span<const uint8_t> bytes) = 0;
    virtual void BindNull(int parameter) = 0;
    // Runs the statement on the first call; true while a row is there to read.
    virtual bool Step() = 0;
    // Ready to run again (with the same or new bindings).
    virtual void Reset() = 0;

    virtual bool IsNull(int column) = 0;
    virtual std::string Text(int column) = 0;
    virtual int64_t Int64(int column) = 0;
    virtual double Double(int column) = 0;
    virtual std::vector<uint8_t> Blob(int column) = 0;
};

class Database {
  public:
    virtual ~Database() = default;
    virtual Backend backend() const = 0;
    virtual std::unique_ptr<Statement> Prepare(std::string_view sql) = 0;
    // Statements without parameters or rows (schema, pragmas), several separated by ';'.
    virtual void Execute(std::string_view sql) = 0;
    // A write transaction takes the write lock at once (so a busy database is waited for at the
    // start, never half-way); a read transaction sees one snapshot throughout.
    virtual void Begin(bool write) = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
    virtual bool HasTable(const std::string& name) = 0;
    // Inside a write transaction: holds off every other connection's schema changes until the
    // end of the transaction (a no-op where the write lock already does that).
    virtual void LockSchema() = 0;
};

// The transaction of a scope: rolled back unless committed.
class Transaction {
  public:
    Transaction(Database& db, bool write) : db_(db) { db_.Begin(write); }
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

  private:
    Database& db_;
    bool open_ = true;
};

// Opens (creating if needed) the SQLite file at path: write-ahead log, foreign keys on, a 5 s
// busy timeout. A file created here gets permissions 0600, its missing folders 0700.
std::unique_ptr<Database> OpenSqliteDatabase(const std::string& path);
// Connects with a libpq connection string (URI or key=value); credentials come from libpq's
// own places (~/.pgpass, PG* environment variables).
std::unique_ptr<Database> OpenPostgresDatabase(const std::string& connection);
// Copies the SQLite database at source to a new file at target with SQLite's online backup:
// a consistent copy while other connections write.
void BackupSqliteDatabase(const std::string& source, const std::string& target);

// SQL with '?' placeholders numbered $1..$n (quoted text and identifiers left alone).
std::string NumberedPlaceholders(std::string_view sql);
// The libpq connection keywords (host, dbname, ...).
bool IsPostgresKeyword(std::string_view word);

}  // namespace pelmor
