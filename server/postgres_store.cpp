// The score table in PostgreSQL: the same table as the SQLite file's, for a table that outgrows one
// machine. Every value goes to the server as a parameter of its own, never inside the query's text.
#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "server/store.h"

namespace scores {

namespace {

// Two server processes starting at once would race to make the table: one makes it at a time.
constexpr const char* kSchema =
    "SET client_min_messages = warning;"
    "BEGIN;"
    "SELECT pg_advisory_xact_lock(7461);"
    "CREATE TABLE IF NOT EXISTS scores ("
    " id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " score BIGINT NOT NULL,"
    " stage INTEGER NOT NULL,"
    " frames BIGINT NOT NULL,"
    " digests INTEGER NOT NULL,"
    " recording_sha256 TEXT NOT NULL,"
    " submitted_ms BIGINT NOT NULL,"
    " recording BYTEA NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS scores_recording ON scores (recording_sha256);"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, submitted_ms, id);"
    "COMMIT;";

constexpr const char* kColumns = "id, name, score, stage, frames, digests, recording_sha256, submitted_ms";

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

int64_t Whole(const PGresult* r, int row, int column) {
    return std::strtoll(PQgetvalue(r, row, column), nullptr, 10);
}

ScoreEntry ReadEntry(const PGresult* r, int row) {
    ScoreEntry e;
    e.id = Whole(r, row, 0);
    e.name.assign(PQgetvalue(r, row, 1), static_cast<size_t>(PQgetlength(r, row, 1)));
    e.score = Whole(r, row, 2);
    e.stage = static_cast<int>(Whole(r, row, 3));
    e.frames = Whole(r, row, 4);
    e.digests = static_cast<int>(Whole(r, row, 5));
    e.hash = PQgetvalue(r, row, 6);
    e.submittedMs = Whole(r, row, 7);
    return e;
}

std::string OneLine(const char* message) {
    std::string line = message ? message : "";
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    for (char& c : line)
        if (c == '\n') c = ' ';
    return line;
}

class PostgresStore : public ScoreStore {
public:
    explicit PostgresStore(PGconn* db) : db_(db) {}
    ~PostgresStore() override { PQfinish(db_); }
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    bool Contains(const std::string& hash, bool* found, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const Result r = Run("SELECT 1 FROM scores WHERE recording_sha256 = $1", {hash});
        if (!Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        *found = PQntuples(r.get()) > 0;
        return true;
    }

    Stored Insert(ScoreEntry* e, std::string_view recording, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const std::string score = std::to_string(e->score), stage = std::to_string(e->stage),
                          frames = std::to_string(e->frames), digests = std::to_string(e->digests),
                          submitted = std::to_string(e->submittedMs);
        const char* values[] = {e->name.c_str(), score.c_str(),   stage.c_str(),     frames.c_str(),
                                digests.c_str(), e->hash.c_str(), submitted.c_str(), recording.data()};
        const int lengths[] = {0, 0, 0, 0, 0, 0, 0, static_cast<int>(recording.size())};
        const int formats[] = {0, 0, 0, 0, 0, 0, 0, 1};  // the recording goes as bytes, unescaped
        // One statement: a transaction of its own, on the disk when it returns (synchronous_commit).
        const char* sql =
            "INSERT INTO scores (name, score, stage, frames, digests, recording_sha256, submitted_ms, "
            "recording)"
            " VALUES ($1, $2, $3, $4, $5, $6, $7, $8) RETURNING id";
        Reconnect();
        const Result r(PQexecParams(db_, sql, 8, nullptr, values, lengths, formats, 0), PQclear);
        if (PQresultStatus(r.get()) == PGRES_FATAL_ERROR) {
            const char* state = PQresultErrorField(r.get(), PG_DIAG_SQLSTATE);
            if (state && std::strcmp(state, "23505") == 0) return Stored::kDuplicate;  // unique_violation
        }
        if (!Ok(r.get(), PGRES_TUPLES_OK, error) || PQntuples(r.get()) != 1) return Stored::kFailed;
        e->id = Whole(r.get(), 0, 0);
        return Stored::kStored;
    }

    bool Top(int limit, std::vector<ScoreEntry>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const Result r = Run(
            std::string("SELECT ") + kColumns + " FROM scores ORDER BY score DESC, submitted_ms, id LIMIT $1",
            {std::to_string(limit)});
        if (!Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        out->clear();
        for (int row = 0; row < PQntuples(r.get()); ++row) out->push_back(ReadEntry(r.get(), row));
        return true;
    }

    bool Find(int64_t id, std::optional<ScoreEntry>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const Result r =
            Run(std::string("SELECT ") + kColumns + " FROM scores WHERE id = $1", {std::to_string(id)});
        if (!Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        out->reset();
        if (PQntuples(r.get()) > 0) out->emplace(ReadEntry(r.get(), 0));
        return true;
    }

    bool FindRecording(int64_t id, std::optional<std::string>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const Result r = Run("SELECT recording FROM scores WHERE id = $1", {std::to_string(id)}, 1);
        if (!Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        out->reset();
        if (PQntuples(r.get()) > 0)
            out->emplace(PQgetvalue(r.get(), 0, 0), static_cast<size_t>(PQgetlength(r.get(), 0, 0)));
        return true;
    }

private:
    // A connection the database server dropped (a restart) is made again once before a query.
    void Reconnect() {
        if (PQstatus(db_) != CONNECTION_OK) PQreset(db_);
    }

    Result Run(const std::string& sql, const std::vector<std::string>& params, int resultFormat = 0) {
        Reconnect();
        std::vector<const char*> values;
        for (const std::string& p : params) values.push_back(p.c_str());
        return Result(PQexecParams(db_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                                   nullptr, nullptr, resultFormat),
                      PQclear);
    }

    bool Ok(const PGresult* r, ExecStatusType want, std::string* error) const {
        if (r && PQresultStatus(r) == want) return true;
        *error = OneLine(r ? PQresultErrorMessage(r) : PQerrorMessage(db_));
        if (error->empty()) *error = OneLine(PQerrorMessage(db_));
        return false;
    }

    PGconn* db_;
    std::mutex lock_;
};

}  // namespace

std::unique_ptr<ScoreStore> OpenPostgresStore(const std::string& connection, std::string* error) {
    PGconn* db = PQconnectdb(connection.c_str());
    if (!db) {
        *error = "out of memory";
        return nullptr;
    }
    if (PQstatus(db) != CONNECTION_OK) {
        *error = OneLine(PQerrorMessage(db));
        PQfinish(db);
        return nullptr;
    }
    auto store = std::make_unique<PostgresStore>(db);
    const Result r(PQexec(db, kSchema), PQclear);
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK) {
        *error = OneLine(PQresultErrorMessage(r.get()));
        return nullptr;
    }
    return store;
}

}  // namespace scores
