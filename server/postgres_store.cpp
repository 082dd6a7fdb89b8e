// The score table in PostgreSQL: the same table as the SQLite file's, for a table that outgrows one
// machine. Every value goes to the server as a parameter of its own, never inside the query's text.
#include <libpq-fe.h>

#include <cstring>
#include <mutex>

#include "server/postgres_connection.h"
#include "server/store.h"

namespace scores {

namespace {

constexpr const char* kTables =
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
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, submitted_ms, id);";

constexpr const char* kColumns = "id, name, score, stage, frames, digests, recording_sha256, submitted_ms";

ScoreEntry ReadEntry(const PGresult* r, int row) {
    ScoreEntry e;
    e.id = PgWhole(r, row, 0);
    e.name = PgBytes(r, row, 1);
    e.score = PgWhole(r, row, 2);
    e.stage = static_cast<int>(PgWhole(r, row, 3));
    e.frames = PgWhole(r, row, 4);
    e.digests = static_cast<int>(PgWhole(r, row, 5));
    e.hash = PQgetvalue(r, row, 6);
    e.submittedMs = PgWhole(r, row, 7);
    return e;
}

class PostgresStore : public ScoreStore {
public:
    explicit PostgresStore(std::unique_ptr<PgConnection> db) : db_(std::move(db)) {}

    bool Contains(const std::string& hash, bool* found, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const PgResult r = db_->Run("SELECT 1 FROM scores WHERE recording_sha256 = $1", {hash});
        if (!db_->Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        *found = PQntuples(r.get()) > 0;
        return true;
    }

    Stored Insert(ScoreEntry* e, std::string_view recording, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const std::string score = std::to_string(e->score), stage = std::to_string(e->stage),
                          frames = std::to_string(e->frames), digests = std::to_string(e->digests),
                          submitted = std::to_string(e->submittedMs);
        // One statement: a transaction of its own, on the disk when it returns (synchronous_commit).
        // The recording goes as bytes, unescaped.
        const PgResult r = db_->Run(
            "INSERT INTO scores (name, score, stage, frames, digests, recording_sha256, submitted_ms, "
            "recording)"
            " VALUES ($1, $2, $3, $4, $5, $6, $7, $8) RETURNING id",
            {e->name, score, stage, frames, digests, e->hash, submitted, recording},
            {false, false, false, false, false, false, false, true});
        if (PQresultStatus(r.get()) == PGRES_FATAL_ERROR) {
            const char* state = PQresultErrorField(r.get(), PG_DIAG_SQLSTATE);
            if (state && std::strcmp(state, "23505") == 0) return Stored::kDuplicate;  // unique_violation
        }
        if (!db_->Ok(r.get(), PGRES_TUPLES_OK, error) || PQntuples(r.get()) != 1) return Stored::kFailed;
        e->id = PgWhole(r.get(), 0, 0);
        return Stored::kStored;
    }

    bool Top(int limit, std::vector<ScoreEntry>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const std::string sql =
            std::string("SELECT ") + kColumns + " FROM scores ORDER BY score DESC, submitted_ms, id LIMIT $1";
        const PgResult r = db_->Run(sql.c_str(), {std::to_string(limit)});
        if (!db_->Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        out->clear();
        for (int row = 0; row < PQntuples(r.get()); ++row) out->push_back(ReadEntry(r.get(), row));
        return true;
    }

    bool Find(int64_t id, std::optional<ScoreEntry>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const std::string sql = std::string("SELECT ") + kColumns + " FROM scores WHERE id = $1";
        const PgResult r = db_->Run(sql.c_str(), {std::to_string(id)});
        if (!db_->Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        out->reset();
        if (PQntuples(r.get()) > 0) out->emplace(ReadEntry(r.get(), 0));
        return true;
    }

    bool FindRecording(int64_t id, std::optional<std::string>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const PgResult r =
            db_->Run("SELECT recording FROM scores WHERE id = $1", {std::to_string(id)}, {}, true);
        if (!db_->Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        out->reset();
        if (PQntuples(r.get()) > 0) out->emplace(PgBytes(r.get(), 0, 0));
        return true;
    }

private:
    std::unique_ptr<PgConnection> db_;
    std::mutex lock_;
};

}  // namespace

std::unique_ptr<ScoreStore> OpenPostgresStore(const std::string& connection, std::string* error) {
    std::unique_ptr<PgConnection> db = PgConnect(connection, error);
    if (!db || !PgMakeTables(db.get(), kTables, error)) return nullptr;
    return std::make_unique<PostgresStore>(std::move(db));
}

}  // namespace scores
