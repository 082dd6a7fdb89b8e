// The score table in one SQLite file. Written in WAL mode with synchronous=FULL: an entry whose
// insert has returned survives the server killed at any moment (and the machine losing power).
#include <sqlite3.h>

#include <mutex>

#include "server/store.h"

namespace scores {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS scores ("
    " id INTEGER PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " score BIGINT NOT NULL,"
    " stage INTEGER NOT NULL,"
    " frames BIGINT NOT NULL,"
    " digests INTEGER NOT NULL,"
    " recording_sha256 TEXT NOT NULL,"
    " submitted_ms BIGINT NOT NULL,"
    " recording BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS scores_recording ON scores (recording_sha256);"
    "CREATE INDEX IF NOT EXISTS scores_rank ON scores (score DESC, submitted_ms, id);";

constexpr const char* kColumns = "id, name, score, stage, frames, digests, recording_sha256, submitted_ms";

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* Get() const { return statement_; }
    explicit operator bool() const { return statement_ != nullptr; }

private:
    sqlite3_stmt* statement_ = nullptr;
};

std::string Text(sqlite3_stmt* s, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(s, column))) : std::string();
}

ScoreEntry ReadEntry(sqlite3_stmt* s) {
    ScoreEntry e;
    e.id = sqlite3_column_int64(s, 0);
    e.name = Text(s, 1);
    e.score = sqlite3_column_int64(s, 2);
    e.stage = sqlite3_column_int(s, 3);
    e.frames = sqlite3_column_int64(s, 4);
    e.digests = sqlite3_column_int(s, 5);
    e.hash = Text(s, 6);
    e.submittedMs = sqlite3_column_int64(s, 7);
    return e;
}

class SqliteStore : public ScoreStore {
public:
    explicit SqliteStore(sqlite3* db) : db_(db) {}
    ~SqliteStore() override { sqlite3_close_v2(db_); }
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    bool Contains(const std::string& hash, bool* found, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const Statement s(db_, "SELECT 1 FROM scores WHERE recording_sha256 = ?1");
        if (!s || sqlite3_bind_text(s.Get(), 1, hash.data(), static_cast<int>(hash.size()), SQLITE_STATIC))
            return Fail(error);
        const int step = sqlite3_step(s.Get());
        if (step != SQLITE_ROW && step != SQLITE_DONE) return Fail(error);
        *found = step == SQLITE_ROW;
        return true;
    }

    Stored Insert(ScoreEntry* e, std::string_view recording, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const Statement s(db_,
                          "INSERT INTO scores (name, score, stage, frames, digests, recording_sha256, "
                          "submitted_ms, recording) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        if (!s) {
            Fail(error);
            return Stored::kFailed;
        }
        sqlite3_stmt* st = s.Get();
        const bool bound =
            sqlite3_bind_text(st, 1, e->name.data(), static_cast<int>(e->name.size()), SQLITE_STATIC) ==
                SQLITE_OK &&
            sqlite3_bind_int64(st, 2, e->score) == SQLITE_OK &&
            sqlite3_bind_int(st, 3, e->stage) == SQLITE_OK &&
            sqlite3_bind_int64(st, 4, e->frames) == SQLITE_OK &&
            sqlite3_bind_int(st, 5, e->digests) == SQLITE_OK &&
            sqlite3_bind_text(st, 6, e->hash.data(), static_cast<int>(e->hash.size()), SQLITE_STATIC) ==
                SQLITE_OK &&
            sqlite3_bind_int64(st, 7, e->submittedMs) == SQLITE_OK &&
            sqlite3_bind_blob64(st, 8, recording.data(), recording.size(), SQLITE_STATIC) == SQLITE_OK;
        if (!bound) {
            Fail(error);
            return Stored::kFailed;
        }
        // One statement outside an explicit transaction is a transaction of its own, committed (and
        // synced) when the step returns.
        const int step = sqlite3_step(st);
        if (step == SQLITE_CONSTRAINT) return Stored::kDuplicate;
        if (step != SQLITE_DONE) {
            Fail(error);
            return Stored::kFailed;
        }
        e->id = sqlite3_last_insert_rowid(db_);
        return Stored::kStored;
    }

    bool Top(int limit, std::vector<ScoreEntry>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const Statement s(db_, (std::string("SELECT ") + kColumns +
                                " FROM scores ORDER BY score DESC, submitted_ms, id LIMIT ?1")
                                   .c_str());
        if (!s || sqlite3_bind_int(s.Get(), 1, limit) != SQLITE_OK) return Fail(error);
        out->clear();
        int step = 0;
        while ((step = sqlite3_step(s.Get())) == SQLITE_ROW) out->push_back(ReadEntry(s.Get()));
        return step == SQLITE_DONE || Fail(error);
    }

    bool Find(int64_t id, std::optional<ScoreEntry>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const Statement s(db_, (std::string("SELECT ") + kColumns + " FROM scores WHERE id = ?1").c_str());
        if (!s || sqlite3_bind_int64(s.Get(), 1, id) != SQLITE_OK) return Fail(error);
        const int step = sqlite3_step(s.Get());
        if (step == SQLITE_ROW)
            out->emplace(ReadEntry(s.Get()));
        else
            out->reset();
        return step == SQLITE_ROW || step == SQLITE_DONE || Fail(error);
    }

    bool FindRecording(int64_t id, std::optional<std::string>* out, std::string* error) override {
        const std::lock_guard<std::mutex> hold(lock_);
        const Statement s(db_, "SELECT recording FROM scores WHERE id = ?1");
        if (!s || sqlite3_bind_int64(s.Get(), 1, id) != SQLITE_OK) return Fail(error);
        const int step = sqlite3_step(s.Get());
        out->reset();
        if (step == SQLITE_ROW) {
            const auto* data = static_cast<const char*>(sqlite3_column_blob(s.Get(), 0));
            out->emplace(data ? data : "", static_cast<size_t>(sqlite3_column_bytes(s.Get(), 0)));
        }
        return step == SQLITE_ROW || step == SQLITE_DONE || Fail(error);
    }

private:
    bool Fail(std::string* error) const {
        *error = sqlite3_errmsg(db_);
        return false;
    }

    sqlite3* db_;
    std::mutex lock_;
};

}  // namespace

std::unique_ptr<ScoreStore> OpenSqliteStore(const std::string& path, std::string* error) {
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(
        path.c_str(), &db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (opened != SQLITE_OK) {
        *error = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        return nullptr;
    }
    auto store = std::make_unique<SqliteStore>(db);
    sqlite3_busy_timeout(db, 10000);
    // WAL: readers of the table never wait for a verification's insert; FULL: an insert that has
    // returned is on the disk.
    char* message = nullptr;
    const char* setup = "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;";
    if (sqlite3_exec(db, setup, nullptr, nullptr, &message) != SQLITE_OK ||
        sqlite3_exec(db, kSchema, nullptr, nullptr, &message) != SQLITE_OK) {
        *error = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        return nullptr;
    }
    return store;
}

}  // namespace scores
