// Where accepted scores are kept: SQLite by default, PostgreSQL when a connection string is given.
// Both keep the same table; every name and recording reaches a query only as a bound parameter.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scores {

struct ScoreEntry {
    int64_t id = 0;
    std::string name;
    int64_t score = 0;
    int stage = 0;
    int64_t frames = 0;
    int digests = 0;
    std::string hash;         // RecordingHash of the recording
    int64_t submittedMs = 0;  // Unix time in milliseconds
};

enum class Stored { kStored, kDuplicate, kFailed };

class ScoreStore {
public:
    virtual ~ScoreStore() = default;
    // Each returns false (with *error set) when the database failed.
    virtual bool Contains(const std::string& hash, bool* found, std::string* error) = 0;
    // One transaction, durable when it returns kStored; sets entry->id.
    virtual Stored Insert(ScoreEntry* entry, std::string_view recording, std::string* error) = 0;
    // By score, highest first, then by earlier submission.
    virtual bool Top(int limit, std::vector<ScoreEntry>* out, std::string* error) = 0;
    virtual bool Find(int64_t id, std::optional<ScoreEntry>* out, std::string* error) = 0;
    virtual bool FindRecording(int64_t id, std::optional<std::string>* out, std::string* error) = 0;
};

// An SQLite file (made when missing; never opened through a link).
std::unique_ptr<ScoreStore> OpenSqliteStore(const std::string& path, std::string* error);
// A PostgreSQL database by libpq connection string; nullptr with *error when this build has no libpq.
std::unique_ptr<ScoreStore> OpenPostgresStore(const std::string& connection, std::string* error);

}  // namespace scores
