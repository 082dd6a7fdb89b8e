// Submissions waiting to be verified, in PostgreSQL: every server process connected to the same
// database takes entries from it, so several processes (on several machines) share the verifying.
// The process that took the request waits for the entry's answer, whoever verified it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "server/store.h"

namespace scores {

struct QueuedRecording {
    int64_t id = 0;
    std::string name;
    std::string hash;
    std::string recording;
};

// What the request that queued an entry answers: an HTTP status, a JSON body and the stored entry.
struct QueueAnswer {
    int status = 500;
    std::string json;
    int64_t entryId = 0;
};

enum class Queued { kQueued, kDuplicate, kFailed };

// One verifier's own connection. Take keeps the entry locked in a transaction while it is verified,
// so that no other verifier takes it, and a verifier that dies (its connection with it) puts it back.
class QueueVerifier {
public:
    virtual ~QueueVerifier() = default;
    // The oldest entry nobody is verifying; *out empty when none waits. Rolls back a transaction
    // left open by an earlier Take.
    virtual bool Take(std::optional<QueuedRecording>* out, std::string* error) = 0;
    // In the taken entry's transaction: stores it in the score table (sets entry->id). A failed store
    // is undone alone, so that Finish can still answer.
    virtual Stored Store(ScoreEntry* entry, std::string* error) = 0;
    // Leaves the answer for the waiting request and commits, the stored entry with it.
    virtual bool Finish(const QueueAnswer& answer, std::string* error) = 0;
};

class VerifyQueue {
public:
    virtual ~VerifyQueue() = default;
    // Queues a submission; kDuplicate when the same recording is queued already.
    virtual Queued Add(const std::string& name, const std::string& hash, std::string_view recording,
                       int64_t* id, std::string* error) = 0;
    // The entry's answer once it is verified, after which the entry is gone; *out empty until then.
    virtual bool TakeAnswer(int64_t id, std::optional<QueueAnswer>* out, std::string* error) = 0;
    // Takes an entry back that no verifier has begun; *withdrawn false when one has it or is done.
    virtual bool Withdraw(int64_t id, bool* withdrawn, std::string* error) = 0;
    virtual std::unique_ptr<QueueVerifier> OpenVerifier(std::string* error) = 0;
};

// The queue in the PostgreSQL database of a libpq connection string (its table made when missing);
// nullptr with *error when it cannot be reached or this build has no libpq.
std::unique_ptr<VerifyQueue> OpenPostgresQueue(const std::string& connection, std::string* error);

}  // namespace scores
