// The PostgreSQL side of the database adapter (libpq). Parameters go as text (blobs as binary),
// so the server reads each into the type it infers; results come back binary, so doubles and
// bytes arrive exactly as stored.
#include <libpq-fe.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>

#include "sessions/Database.h"

namespace pelmor {

namespace {

// Type oids of the catalogue (pg_type.dat).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700,
              kFloat8 = 701;

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

class Result {
  public:
    explicit Result(PGresult* r = nullptr) : r_(r) {}
    ~Result() { PQclear(r_); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    void Reset(PGresult* r) {
        PQclear(r_);
        r_ = r;
    }
    PGresult* get() const { return r_; }

  private:
    PGresult* r_;
};

// Throws unless the result is a success.
void Check(PGconn* conn, PGresult* r) {
    const ExecStatusType status = PQresultStatus(r);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return;
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const std::string reason = primary ? primary : Trimmed(PQerrorMessage(conn));
    throw DatabaseError(reason, state && std::strcmp(state, "23505") == 0
                                    ? DatabaseError::Kind::Unique
                                    : DatabaseError::Kind::Other);
}

uint64_t BigEndian(const char* p, int size) {
    uint64_t v = 0;
    for (int i = 0; i < size; ++i) v = v << 8 | static_cast<uint8_t>(p[i]);
    return v;
}

class PostgresStatement final : public Statement {
  public:
    PostgresStatement(PGconn* conn, std::string name, int parameters)
        : conn_(conn),
          name_(std::move(name)),
          values_(parameters),
          binary_(parameters),
          null_(parameters, true) {}

    void BindText(int p, std::string_view text) override { Set(p, std::string(text), false); }
    void BindInt64(int p, int64_t value) override { Set(p, std::to_string(value), false); }
    void BindDouble(int p, double value) override {
        if (std::isnan(value)) return Set(p, "NaN", false);
        if (std::isinf(value)) return Set(p, value > 0 ? "Infinity" : "-Infinity", false);
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;  // shortest exact
        Set(p, std::string(text, end), false);
    }
    void BindBlob(int p, std::span<const uint8_t> bytes) override {
        Set(p, std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()), true);
    }
    void BindNull(int p) override {
        Index(p);
        null_[p - 1] = true;
        values_[p - 1].clear();
    }

    bool Step() override {
        if (!ran_) {
            const int n = static_cast<int>(values_.size());
            std::vector<const char*> values(n);
            std::vector<int> lengths(n), formats(n);
            for (int i = 0; i < n; ++i) {
                values[i] = null_[i] ? nullptr : values_[i].data();
                lengths[i] = static_cast<int>(values_[i].size());
                formats[i] = binary_[i] ? 1 : 0;
            }
            result_.Reset(PQexecPrepared(conn_, name_.c_str(), n, values.data(), lengths.data(),
                                         formats.data(), 1));
            Check(conn_, result_.get());
            ran_ = true;
            row_ = -1;
        }
        return ++row_ < PQntuples(result_.get());
    }
    void Reset() override {
        result_.Reset(nullptr);
        ran_ = false;
    }

    bool IsNull(int c) override { return PQgetisnull(Row(), row_, c); }
    std::string Text(int c) override {
        Row();
        return std::string(PQgetvalue(result_.get(), row_, c), PQgetlength(result_.get(), row_, c));
    }
    int64_t Int64(int c) override {
        if (IsNull(c)) return 0;
        const Oid type = PQftype(result_.get(), c);
        const char* p = PQgetvalue(result_.get(), row_, c);
        switch (type) {
            case kInt8:
                return static_cast<int64_t>(BigEndian(p, 8));
            case kInt4:
                return static_cast<int32_t>(BigEndian(p, 4));
            case kInt2:
                return static_cast<int16_t>(BigEndian(p, 2));
            case kOid:
                return static_cast<uint32_t>(BigEndian(p, 4));
            case kBool:
                return p[0] != 0;
            default:
                throw DatabaseError("column " + std::to_string(c) + " is not an integer");
        }
    }
    double Double(int c) override {
        if (IsNull(c)) return 0;
        const Oid type = PQftype(result_.get(), c);
        const char* p = PQgetvalue(result_.get(), row_, c);
        if (type == kFloat8) return std::bit_cast<double>(BigEndian(p, 8));
        if (type == kFloat4) return std::bit_cast<float>(static_cast<uint32_t>(BigEndian(p, 4)));
        return static_cast<double>(Int64(c));
    }
    std::vector<uint8_t> Blob(int c) override {
        Row();
        const auto* p = reinterpret_cast<const uint8_t*>(PQgetvalue(result_.get(), row_, c));
        return std::vector<uint8_t>(p, p + PQgetlength(result_.get(), row_, c));
    }

  private:
    void Index(int p) const {
        if (p < 1 || p > static_cast<int>(values_.size()))
            throw DatabaseError("parameter " + std::to_string(p) + " is out of range");
    }
    void Set(int p, std::string value, bool binary) {
        Index(p);
        values_[p - 1] = std::move(value);
        binary_[p - 1] = binary;
        null_[p - 1] = false;
    }
    PGresult* Row() const {
        if (!ran_ || row_ < 0 || row_ >= PQntuples(result_.get()))
            throw DatabaseError("no row to read");
        return result_.get();
    }

    PGconn* conn_;
    std::string name_;
    std::vector<std::string> values_;
    std::vector<bool> binary_, null_;
    Result result_;
    bool ran_ = false;
    int row_ = -1;
};

void IgnoreNotice(void*, const char*) {}

class PostgresDatabase final : public Database {
  public:
    explicit PostgresDatabase(PGconn* conn) : conn_(conn) {}
    ~PostgresDatabase() override { PQfinish(conn_); }

    Backend backend() const override { return Backend::Postgres; }
    std::unique_ptr<Statement> Prepare(std::string_view sql) override {
        // Each text is prepared once per connection and kept: the store's SQL is a fixed set.
        auto [it, added] = prepared_.try_emplace(std::string(sql));
        if (added) {
            const std::string text = NumberedPlaceholders(sql);
            std::string name = "pelmor_" + std::to_string(++named_);
            Result r(PQprepare(conn_, name.c_str(), text.c_str(), 0, nullptr));
            try {
                Check(conn_, r.get());
                Result d(PQdescribePrepared(conn_, name.c_str()));
                Check(conn_, d.get());
                it->second = {name, PQnparams(d.get())};
            } catch (...) {
                prepared_.erase(it);
                throw;
            }
        }
        return std::make_unique<PostgresStatement>(conn_, it->second.name, it->second.parameters);
    }
    void Execute(std::string_view sql) override {
        Result r(PQexec(conn_, std::string(sql).c_str()));
        Check(conn_, r.get());
    }
    void Begin(bool write) override {
        Execute(write ? "BEGIN" : "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    }
    void Commit() override { Execute("COMMIT"); }
    void Rollback() override { Execute("ROLLBACK"); }
    bool HasTable(const std::string& name) override {
        auto s = Prepare(
            "SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema() AND "
            "table_name = ?");
        s->BindText(1, name);
        return s->Step();
    }
    void LockSchema() override { Execute("SELECT pg_advisory_xact_lock(5173620419)"); }

  private:
    struct Prepared {
        std::string name;
        int parameters = 0;
    };
    PGconn* conn_;
    int named_ = 0;
    std::map<std::string, Prepared, std::less<>> prepared_;
};

}  // namespace

std::unique_ptr<Database> OpenPostgresDatabase(const std::string& connection) {
    PGconn* conn = PQconnectdb(connection.c_str());
    if (!conn) throw DatabaseError("out of memory");
    if (PQstatus(conn) != CONNECTION_OK) {
        const std::string reason = Trimmed(PQerrorMessage(conn));
        PQfinish(conn);
        throw DatabaseError(reason);
    }
    PQsetNoticeProcessor(conn, IgnoreNotice, nullptr);
    if (PQsetClientEncoding(conn, "UTF8") != 0) {
        const std::string reason = Trimmed(PQerrorMessage(conn));
        PQfinish(conn);
        throw DatabaseError(reason);
    }
    return std::make_unique<PostgresDatabase>(conn);
}

bool IsPostgresKeyword(std::string_view word) {
    PQconninfoOption* options = PQconndefaults();
    bool found = false;
    for (PQconninfoOption* o = options; o && o->keyword; ++o)
        if (word == o->keyword) found = true;
    PQconninfoFree(options);
    return found;
}

}  // namespace pelmor
