#include "server/store.h"

#include "server/queue.h"

namespace scores {

#ifndef VELMORAN_SCORES_POSTGRES
std::unique_ptr<ScoreStore> OpenPostgresStore(const std::string&, std::string* error) {
    *error = "this velmoran-scores was built without PostgreSQL (libpq-dev was not installed)";
    return nullptr;
}

std::unique_ptr<VerifyQueue> OpenPostgresQueue(const std::string&, std::string* error) {
    *error = "this velmoran-scores was built without PostgreSQL (libpq-dev was not installed)";
    return nullptr;
}
#endif

}  // namespace scores
