// The verification queue in PostgreSQL. A verifier takes an entry with SELECT ... FOR UPDATE SKIP
// LOCKED and keeps its transaction open while the game plays the recording again: the row lock is
// what says "being verified", so a verifier that dies gives its entry back without anyone's help.
#include <arpa/inet.h>
#include <libpq-fe.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "server/postgres_connection.h"
#include "server/queue.h"

namespace scores {

namespace {

constexpr const char* kTables =
    "CREATE TABLE IF NOT EXISTS verify_queue ("
    " id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " recording_sha256 TEXT NOT NULL,"
    " recording BYTEA NOT NULL,"
    " queued_at TIMESTAMPTZ NOT NULL DEFAULT now(),"
    " answered_at TIMESTAMPTZ,"
    " answer_status INTEGER,"
    " answer_json TEXT,"
    " entry_id BIGINT);"
    "CREATE UNIQUE INDEX IF NOT EXISTS verify_queue_recording ON verify_queue (recording_sha256);";

// Answers nobody came for (their server went away) are cleared after this long.
constexpr const char* kForgotten = "10 minutes";

// A BIGINT column of a binary result: eight bytes, most significant first.
int64_t BinaryWhole(const PGresult* r, int row, int column) {
    if (PQgetlength(r, row, column) != 8) return 0;
    uint32_t halves[2];
    std::memcpy(halves, PQgetvalue(r, row, column), sizeof halves);
    return static_cast<int64_t>((static_cast<uint64_t>(ntohl(halves[0])) << 32) | ntohl(halves[1]));
}

class PostgresVerifier : public QueueVerifier {
public:
    explicit PostgresVerifier(std::unique_ptr<PgConnection> db) : db_(std::move(db)) {}

    bool Take(std::optional<QueuedRecording>* out, std::string* error) override {
        out->reset();
        taken_ = 0;
        if (db_->InTransaction()) PgResult(db_->Run("ROLLBACK", {}));
        const PgResult clear =
            db_->Run((std::string("DELETE FROM verify_queue WHERE answered_at < now() - interval '") +
                      kForgotten + "'")
                         .c_str(),
                     {});
        if (!db_->Ok(clear.get(), PGRES_COMMAND_OK, error)) return false;
        const PgResult begin = db_->Run("BEGIN", {});
        if (!db_->Ok(begin.get(), PGRES_COMMAND_OK, error)) return false;
        const PgResult r = db_->Run(
            "SELECT id, name, recording_sha256, recording FROM verify_queue WHERE answered_at IS NULL"
            " ORDER BY id LIMIT 1 FOR UPDATE SKIP LOCKED",
            {}, {}, true);
        if (!db_->Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        if (PQntuples(r.get()) == 0) {
            const PgResult end = db_->Run("COMMIT", {});
            return db_->Ok(end.get(), PGRES_COMMAND_OK, error);
        }
        QueuedRecording q;
        q.id = BinaryWhole(r.get(), 0, 0);
        q.name = PgBytes(r.get(), 0, 1);
        q.hash = PgBytes(r.get(), 0, 2);
        q.recording = PgBytes(r.get(), 0, 3);
        taken_ = q.id;
        out->emplace(std::move(q));
        return true;
    }

    Stored Store(ScoreEntry* e, std::string* error) override {
        const PgResult mark = db_->Run("SAVEPOINT store", {});
        if (!db_->Ok(mark.get(), PGRES_COMMAND_OK, error)) return Stored::kFailed;
        const std::string score = std::to_string(e->score), stage = std::to_string(e->stage),
                          frames = std::to_string(e->frames), digests = std::to_string(e->digests),
                          submitted = std::to_string(e->submittedMs), id = std::to_string(taken_);
        // The recording is the queued one, copied inside the database.
        const PgResult r = db_->Run(
            "INSERT INTO scores (name, score, stage, frames, digests, recording_sha256, submitted_ms, "
            "recording)"
            " SELECT $1, $2, $3, $4, $5, $6, $7, recording FROM verify_queue WHERE id = $8"
            " ON CONFLICT (recording_sha256) DO NOTHING RETURNING id",
            {e->name, score, stage, frames, digests, e->hash, submitted, id});
        if (!db_->Ok(r.get(), PGRES_TUPLES_OK, error)) {
            PgResult(db_->Run("ROLLBACK TO SAVEPOINT store", {}));
            return Stored::kFailed;
        }
        if (PQntuples(r.get()) == 0) return Stored::kDuplicate;
        e->id = PgWhole(r.get(), 0, 0);
        return Stored::kStored;
    }

    bool Finish(const QueueAnswer& answer, std::string* error) override {
        const PgResult r = db_->Run(
            "UPDATE verify_queue SET answered_at = now(), answer_status = $2, answer_json = $3, entry_id = $4"
            " WHERE id = $1",
            {std::to_string(taken_), std::to_string(answer.status), answer.json,
             std::to_string(answer.entryId)});
        if (!db_->Ok(r.get(), PGRES_COMMAND_OK, error)) {
            PgResult(db_->Run("ROLLBACK", {}));
            return false;
        }
        const PgResult commit = db_->Run("COMMIT", {});
        // A COMMIT of a failed transaction answers "ROLLBACK": nothing of it was kept.
        if (!db_->Ok(commit.get(), PGRES_COMMAND_OK, error)) return false;
        if (std::strcmp(PQcmdStatus(commit.get()), "COMMIT") != 0) {
            *error = "the transaction was rolled back";
            return false;
        }
        return true;
    }

private:
    std::unique_ptr<PgConnection> db_;
    int64_t taken_ = 0;
};

class PostgresQueue : public VerifyQueue {
public:
    PostgresQueue(std::string connection, std::unique_ptr<PgConnection> db)
        : connection_(std::move(connection)), db_(std::move(db)) {}

    Queued Add(const std::string& name, const std::string& hash, std::string_view recording, int64_t* id,
               std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        // An answer of the same recording a minute old is one nobody came for (its server went away,
        // a request looks every 100 ms): it does not hold the recording back.
        const PgResult forgotten = db_->Run(
            "DELETE FROM verify_queue WHERE recording_sha256 = $1 AND answered_at < now() - interval '1 "
            "minute'",
            {hash});
        if (!db_->Ok(forgotten.get(), PGRES_COMMAND_OK, error)) return Queued::kFailed;
        const PgResult r = db_->Run(
            "INSERT INTO verify_queue (name, recording_sha256, recording) VALUES ($1, $2, $3)"
            " ON CONFLICT (recording_sha256) DO NOTHING RETURNING id",
            {name, hash, recording}, {false, false, true});
        if (!db_->Ok(r.get(), PGRES_TUPLES_OK, error)) return Queued::kFailed;
        if (PQntuples(r.get()) == 0) return Queued::kDuplicate;
        *id = PgWhole(r.get(), 0, 0);
        return Queued::kQueued;
    }

    bool TakeAnswer(int64_t id, std::optional<QueueAnswer>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const PgResult r = db_->Run(
            "DELETE FROM verify_queue WHERE id = $1 AND answered_at IS NOT NULL"
            " RETURNING answer_status, answer_json, entry_id",
            {std::to_string(id)});
        if (!db_->Ok(r.get(), PGRES_TUPLES_OK, error)) return false;
        out->reset();
        if (PQntuples(r.get()) == 0) return true;
        QueueAnswer a;
        a.status = static_cast<int>(PgWhole(r.get(), 0, 0));
        a.json = PgBytes(r.get(), 0, 1);
        a.entryId = PgWhole(r.get(), 0, 2);
        out->emplace(std::move(a));
        return true;
    }

    bool Withdraw(int64_t id, bool* withdrawn, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const PgResult r = db_->Run(
            "DELETE FROM verify_queue WHERE id = (SELECT id FROM verify_queue WHERE id = $1"
            " AND answered_at IS NULL FOR UPDATE SKIP LOCKED)",
            {std::to_string(id)});
        if (!db_->Ok(r.get(), PGRES_COMMAND_OK, error)) return false;
        *withdrawn = std::strcmp(PQcmdTuples(r.get()), "1") == 0;
        return true;
    }

    std::unique_ptr<QueueVerifier> OpenVerifier(std::string* error) override {
        std::unique_ptr<PgConnection> db = PgConnect(connection_, error);
        if (!db) return nullptr;
        return std::make_unique<PostgresVerifier>(std::move(db));
    }

private:
    const std::string connection_;
    std::unique_ptr<PgConnection> db_;
    std::mutex lock_;
};

}  // namespace

std::unique_ptr<VerifyQueue> OpenPostgresQueue(const std::string& connection, std::string* error) {
    std::unique_ptr<PgConnection> db = PgConnect(connection, error);
    if (!db) return nullptr;
    if (!PgMakeTables(db.get(), kTables, error)) return nullptr;
    return std::make_unique<PostgresQueue>(connection, std::move(db));
}

}  // namespace scores
