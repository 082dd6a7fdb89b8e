// The score table on SQLite and, where the test command started a PostgreSQL server for it
// (VELMORAN_TEST_POSTGRES holds the connection string), on PostgreSQL: the same tests for both.
#include "server/store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "tests/server/temp_folder.h"
#ifdef VELMORAN_SCORES_POSTGRES
#include <libpq-fe.h>
#endif

namespace scores {
namespace {

class StoreTest : public testing::TestWithParam<std::string> {
protected:
    std::unique_ptr<ScoreStore> Open() {
        std::string error;
        std::unique_ptr<ScoreStore> store;
        if (GetParam() == "sqlite") {
            store = OpenSqliteStore(folder_.Path() + "/scores.db", &error);
        } else {
            store = OpenPostgresStore(Postgres(), &error);
        }
        EXPECT_TRUE(store) << error;
        return store;
    }

    void SetUp() override {
        ASSERT_FALSE(folder_.Path().empty());
        if (GetParam() == "postgres") {
            if (Postgres().empty()) GTEST_SKIP() << "no PostgreSQL server: run by the server.postgres test";
#ifdef VELMORAN_SCORES_POSTGRES
            PGconn* db = PQconnectdb(Postgres().c_str());
            PQclear(PQexec(db, "SET client_min_messages = warning; DROP TABLE IF EXISTS scores"));
            PQfinish(db);
#endif
        }
    }

    static std::string Postgres() {
        const char* c = std::getenv("VELMORAN_TEST_POSTGRES");
        return c ? c : "";
    }

    static ScoreEntry Entry(const std::string& name, int64_t score, const std::string& hash, int64_t when) {
        ScoreEntry e;
        e.name = name;
        e.score = score;
        e.stage = 3;
        e.frames = 3600;
        e.digests = 61;
        e.hash = hash;
        e.submittedMs = when;
        return e;
    }

    TempFolder folder_;
};

TEST_P(StoreTest, KeepsEntriesRanksThemAndRefusesDuplicates) {
    std::unique_ptr<ScoreStore> store = Open();
    ASSERT_TRUE(store);
    std::string error;
    // A hostile name and a recording with every byte value go in and come out as they were.
    const std::string hostile = "x'); DROP TABLE scores; --";
    std::string recording = "velmoran-input 2\n";
    for (int b = 0; b < 256; ++b) recording += static_cast<char>(b);
    ScoreEntry a = Entry(hostile, 500, "hash-a", 1000);
    ASSERT_EQ(store->Insert(&a, recording, &error), Stored::kStored) << error;
    ScoreEntry b = Entry("b", 900, "hash-b", 2000);
    ScoreEntry c = Entry("c", 500, "hash-c", 3000);  // the same score as a, later: ranked after it
    ASSERT_EQ(store->Insert(&b, "rec b", &error), Stored::kStored) << error;
    ASSERT_EQ(store->Insert(&c, "rec c", &error), Stored::kStored) << error;
    ScoreEntry again = Entry("d", 9999, "hash-a", 4000);
    EXPECT_EQ(store->Insert(&again, "rec d", &error), Stored::kDuplicate);

    std::vector<ScoreEntry> top;
    ASSERT_TRUE(store->Top(10, &top, &error)) << error;
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0].id, b.id);
    EXPECT_EQ(top[1].id, a.id);
    EXPECT_EQ(top[2].id, c.id);
    ASSERT_TRUE(store->Top(1, &top, &error));
    EXPECT_EQ(top.size(), 1u);

    std::optional<ScoreEntry> found;
    ASSERT_TRUE(store->Find(a.id, &found, &error)) << error;
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, hostile);
    EXPECT_EQ(found->score, 500);
    EXPECT_EQ(found->stage, 3);
    EXPECT_EQ(found->frames, 3600);
    EXPECT_EQ(found->digests, 61);
    EXPECT_EQ(found->hash, "hash-a");
    EXPECT_EQ(found->submittedMs, 1000);
    std::optional<std::string> got;
    ASSERT_TRUE(store->FindRecording(a.id, &got, &error)) << error;
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, recording);
    bool known = false;
    ASSERT_TRUE(store->Contains("hash-c", &known, &error));
    EXPECT_TRUE(known);
    ASSERT_TRUE(store->Contains("hash-x", &known, &error));
    EXPECT_FALSE(known);
    ASSERT_TRUE(store->Find(999999, &found, &error));
    EXPECT_FALSE(found);
    ASSERT_TRUE(store->FindRecording(999999, &got, &error));
    EXPECT_FALSE(got);

    // Opened again, the table is as it was.
    store.reset();
    store = Open();
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->Top(10, &top, &error));
    EXPECT_EQ(top.size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreTest, testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

TEST(SqliteStore, NeverOpensThroughALinkOrAFileThatIsNotATable) {
    TempFolder folder;
    const std::string target = folder.Path() + "/elsewhere.db";
    const std::string link = folder.Path() + "/scores.db";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    std::string error;
    EXPECT_FALSE(OpenSqliteStore(link, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(target));

    const std::string junk = folder.Path() + "/junk.db";
    FILE* f = std::fopen(junk.c_str(), "w");
    ASSERT_TRUE(f);
    std::fputs("this is not an SQLite file, only text long enough to have a header of one..........\n", f);
    std::fclose(f);
    error.clear();
    EXPECT_FALSE(OpenSqliteStore(junk, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace scores
