#include "server/postgres_connection.h"

#include <cstdlib>

namespace scores {

namespace {

std::string OneLine(const char* message) {
    std::string line = message ? message : "";
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
    for (char& c : line)
        if (c == '\n') c = ' ';
    return line;
}

}  // namespace

PgResult PgConnection::Run(const char* sql, const std::vector<std::string_view>& params,
                           const std::vector<bool>& bytes, bool binaryResult) {
    if (PQstatus(db_) != CONNECTION_OK) PQreset(db_);
    std::vector<std::string> text;
    text.reserve(params.size());
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    for (size_t i = 0; i < params.size(); ++i) {
        const bool raw = i < bytes.size() && bytes[i];
        if (!raw) text.emplace_back(params[i]);
        values.push_back(raw ? params[i].data() : text.back().c_str());
        lengths.push_back(static_cast<int>(params[i].size()));
        formats.push_back(raw ? 1 : 0);
    }
    return PgResult(PQexecParams(db_, sql, static_cast<int>(params.size()), nullptr, values.data(),
                                 lengths.data(), formats.data(), binaryResult ? 1 : 0),
                    PQclear);
}

PgResult PgConnection::Script(const char* sql) {
    if (PQstatus(db_) != CONNECTION_OK) PQreset(db_);
    return PgResult(PQexec(db_, sql), PQclear);
}

bool PgConnection::Ok(const PGresult* r, ExecStatusType want, std::string* error) const {
    if (r && PQresultStatus(r) == want) return true;
    *error = OneLine(r ? PQresultErrorMessage(r) : PQerrorMessage(db_));
    if (error->empty()) *error = OneLine(PQerrorMessage(db_));
    return false;
}

std::unique_ptr<PgConnection> PgConnect(const std::string& connection, std::string* error) {
    PGconn* db = PQconnectdb(connection.c_str());
    if (!db) {
        *error = "out of memory";
        return nullptr;
    }
    auto c = std::make_unique<PgConnection>(db);
    if (PQstatus(db) != CONNECTION_OK) {
        *error = OneLine(PQerrorMessage(db));
        return nullptr;
    }
    // A recording is stored twice (queued, then in the table), each time compressed. lz4 costs the
    // database a fraction of the processor time of its default, time the verifications share; a
    // server built without lz4 refuses the setting, and keeps its default.
    PgResult(c->Run("SET default_toast_compression = 'lz4'", {}));
    return c;
}

bool PgMakeTables(PgConnection* db, const char* tables, std::string* error) {
    const std::string script = std::string(
                                   "SET client_min_messages = warning;"
                                   "BEGIN;"
                                   "SELECT pg_advisory_xact_lock(7461);") +
                               tables + "COMMIT;";
    const PgResult r = db->Script(script.c_str());
    return db->Ok(r.get(), PGRES_COMMAND_OK, error);
}

int64_t PgWhole(const PGresult* r, int row, int column) {
    return std::strtoll(PQgetvalue(r, row, column), nullptr, 10);
}

std::string PgBytes(const PGresult* r, int row, int column) {
    return {PQgetvalue(r, row, column), static_cast<size_t>(PQgetlength(r, row, column))};
}

}  // namespace scores
