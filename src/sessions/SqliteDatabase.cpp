// The SQLite side of the database adapter.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sessions/Database.h"

namespace pelmor {

namespace {

constexpr int kBusyTimeoutMs = 5000;

[[noreturn]] void Fail(sqlite3* db, int code) {
    const int extended = db ? sqlite3_extended_errcode(db) : code;
    const std::string reason = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw DatabaseError(
        reason, extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY
                    ? DatabaseError::Kind::Unique
                    : DatabaseError::Kind::Other);
}

class SqliteStatement final : public Statement {
  public:
    SqliteStatement(sqlite3* db, std::string_view sql) : db_(db) {
        const int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                          SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
        if (rc != SQLITE_OK) Fail(db_, rc);
    }
    ~SqliteStatement() override { sqlite3_finalize(stmt_); }

    void BindText(int p, std::string_view text) override {
        Check(sqlite3_bind_text64(stmt_, p, text.empty() ? "" : text.data(), text.size(),
                                  SQLITE_TRANSIENT, SQLITE_UTF8));
    }
    void BindInt64(int p, int64_t value) override { Check(sqlite3_bind_int64(stmt_, p, value)); }
    void BindDouble(int p, double value) override { Check(sqlite3_bind_double(stmt_, p, value)); }
    void BindBlob(int p, std::span<const uint8_t> bytes) override {
        if (bytes.empty())
            Check(sqlite3_bind_zeroblob(stmt_, p, 0));
        else
            Check(sqlite3_bind_blob64(stmt_, p, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
    }
    void BindNull(int p) override { Check(sqlite3_bind_null(stmt_, p)); }

    bool Step() override {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        Fail(db_, rc);
    }
    void Reset() override { sqlite3_reset(stmt_); }

    bool IsNull(int c) override { return sqlite3_column_type(stmt_, c) == SQLITE_NULL; }
    std::string Text(int c) override {
        const auto* text = sqlite3_column_text(stmt_, c);
        const int size = sqlite3_column_bytes(stmt_, c);
        return text ? std::string(reinterpret_cast<const char*>(text), size) : std::string();
    }
    int64_t Int64(int c) override { return sqlite3_column_int64(stmt_, c); }
    double Double(int c) override { return sqlite3_column_double(stmt_, c); }
    std::vector<uint8_t> Blob(int c) override {
        const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, c));
        const int size = sqlite3_column_bytes(stmt_, c);
        return data ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>();
    }

  private:
    void Check(int rc) {
        if (rc != SQLITE_OK) Fail(db_, rc);
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class SqliteDatabase final : public Database {
  public:
    explicit SqliteDatabase(sqlite3* db) : db_(db) {}
    ~SqliteDatabase() override { sqlite3_close_v2(db_); }

    Backend backend() const override { return Backend::Sqlite; }
    std::unique_ptr<Statement> Prepare(std::string_view sql) override {
        return std::make_unique<SqliteStatement>(db_, sql);
    }
    void Execute(std::string_view sql) override {
        const std::string text(sql);
        char* message = nullptr;
        const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message);
        if (rc != SQLITE_OK) {
            const std::string reason = message ? message : sqlite3_errstr(rc);
            sqlite3_free(message);
            throw DatabaseError(reason);
        }
    }
    void Begin(bool write) override { Execute(write ? "BEGIN IMMEDIATE" : "BEGIN"); }
    void Commit() override { Execute("COMMIT"); }
    void Rollback() override { Execute("ROLLBACK"); }
    bool HasTable(const std::string& name) override {
        SqliteStatement s(db_, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
        s.BindText(1, name);
        return s.Step();
    }
    void LockSchema() override {}  // BEGIN IMMEDIATE holds the only write lock already

  private:
    sqlite3* db_;
};

// Creates the missing folders of path (0700) and the file itself (0600); an existing file is
// left as it is.
void CreateFile(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return;
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            throw DatabaseError("cannot create the folder " + folder + ": " + std::strerror(errno));
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST) return;
        throw DatabaseError(std::string("cannot create the file: ") + std::strerror(errno));
    }
    fchmod(fd, 0600);  // whatever the umask
    close(fd);
}

sqlite3* OpenConnection(const std::string& path) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string reason = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw DatabaseError(reason);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return db;
}

}  // namespace

std::unique_ptr<Database> OpenSqliteDatabase(const std::string& path) {
    CreateFile(path);
    auto db = std::make_unique<SqliteDatabase>(OpenConnection(path));
    // Recordings of megabytes are written in fewer, larger pages (takes effect when the file is
    // new, and leaves an existing one as it is).
    db->Execute("PRAGMA page_size = 16384; PRAGMA foreign_keys = ON");
    return db;
}

void BackupSqliteDatabase(const std::string& source, const std::string& target) {
    struct stat st;
    if (stat(target.c_str(), &st) == 0) throw DatabaseError(target + " exists already");
    CreateFile(target);
    sqlite3* from = nullptr;
    sqlite3* to = nullptr;
    try {
        from = OpenConnection(source);
        to = OpenConnection(target);
    } catch (...) {
        sqlite3_close_v2(from);
        unlink(target.c_str());
        throw;
    }
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    int rc = backup ? SQLITE_OK : sqlite3_errcode(to);
    // All pages in one step: the copy is one snapshot of the source even while others write.
    // A source locked for longer than the busy timeout is given up.
    for (int tries = 0; backup; ++tries) {
        rc = sqlite3_backup_step(backup, -1);
        if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || tries * 50 >= kBusyTimeoutMs) break;
        sqlite3_sleep(50);
    }
    std::string reason;
    if (backup) {
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE) reason = sqlite3_errstr(rc);
    } else {
        reason = sqlite3_errmsg(to);
    }
    sqlite3_close_v2(to);
    sqlite3_close_v2(from);
    if (!reason.empty()) {
        unlink(target.c_str());
        throw DatabaseError(reason);
    }
}

}  // namespace pelmor
