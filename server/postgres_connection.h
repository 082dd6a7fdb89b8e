// One PostgreSQL connection as the score table and the verification queue use it: every value goes to
// the server as a parameter of its own, never inside a query's text.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace scores {

using PgResult = std::unique_ptr<PGresult, void (*)(PGresult*)>;

class PgConnection {
public:
    explicit PgConnection(PGconn* db) : db_(db) {}
    ~PgConnection() { PQfinish(db_); }
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Values go as text, except those whose length is given (bytes); the result in text unless
    // binaryResult. A connection the database server dropped (a restart) is made again once first.
    PgResult Run(const char* sql, const std::vector<std::string_view>& params,
                 const std::vector<bool>& bytes = {}, bool binaryResult = false);
    // Statements without parameters, several at once.
    PgResult Script(const char* sql);
    // True when r has the status wanted; otherwise the database's message, on one line, in *error.
    bool Ok(const PGresult* r, ExecStatusType want, std::string* error) const;
    bool InTransaction() const { return PQtransactionStatus(db_) != PQTRANS_IDLE; }

private:
    PGconn* db_;
};

// Null, with the reason in *error, when the database cannot be reached.
std::unique_ptr<PgConnection> PgConnect(const std::string& connection, std::string* error);

// Makes the tables (statements without parameters) when they are not there yet. Two server processes
// starting at once would race to make them: one makes them at a time.
bool PgMakeTables(PgConnection* db, const char* tables, std::string* error);

// A whole-number column of a text result, and any column's bytes.
int64_t PgWhole(const PGresult* r, int row, int column);
std::string PgBytes(const PGresult* r, int row, int column);

}  // namespace scores
