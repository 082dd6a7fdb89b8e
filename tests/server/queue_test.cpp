// The verification queue, on the PostgreSQL server that the test command starts for it
// (VELMORAN_TEST_POSTGRES): entries taken by one verifier at a time, given back by a verifier that
// goes away, answered once, and stored with their answer or not at all.
#include "server/queue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#ifdef VELMORAN_SCORES_POSTGRES
#include <libpq-fe.h>
#endif

namespace scores {
namespace {

class QueueTest : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        const char* c = std::getenv("VELMORAN_TEST_POSTGRES");
        if (!c || !*c) GTEST_SKIP() << "no PostgreSQL server: run by the server.postgres_store test";
#ifdef VELMORAN_SCORES_POSTGRES
        PGconn* db = PQconnectdb(c);
        PQclear(PQexec(db, "SET client_min_messages = warning; DROP TABLE IF EXISTS scores, verify_queue"));
        PQfinish(db);
#endif
        std::string error;
        store_ = OpenPostgresStore(c, &error);
        ASSERT_TRUE(store_) << error;
        queue_ = OpenPostgresQueue(c, &error);
        ASSERT_TRUE(queue_) << error;
    }

    int64_t Add(const std::string& hash) {
        int64_t id = 0;
        std::string error;
        EXPECT_EQ(queue_->Add("n-" + hash, hash, "rec " + hash, &id, &error), Queued::kQueued) << error;
        return id;
    }

    std::unique_ptr<QueueVerifier> Verifier() {
        std::string error;
        std::unique_ptr<QueueVerifier> v = queue_->OpenVerifier(&error);
        EXPECT_TRUE(v) << error;
        return v;
    }

    // The id of the entry the verifier took, 0 for none.
    static int64_t Take(QueueVerifier* v) {
        std::optional<QueuedRecording> entry;
        std::string error;
        EXPECT_TRUE(v->Take(&entry, &error)) << error;
        return entry ? entry->id : 0;
    }

    std::optional<QueueAnswer> Answer(int64_t id) {
        std::optional<QueueAnswer> answer;
        std::string error;
        EXPECT_TRUE(queue_->TakeAnswer(id, &answer, &error)) << error;
        return answer;
    }

    // The database server ends a closed connection's transaction a moment after it closes: what
    // that transaction held is let go then.
    template <class Condition>
    static void Eventually(Condition condition) {
        for (int attempt = 0; attempt < 250 && !condition(); ++attempt) usleep(20000);
    }

    std::unique_ptr<ScoreStore> store_;
    std::unique_ptr<VerifyQueue> queue_;
};

TEST_P(QueueTest, EachEntryGoesToOneVerifierAndComesBackWhenItsVerifierGoes) {
    const int64_t first = Add("a"), second = Add("b");
    int64_t id = 0;
    std::string error;
    EXPECT_EQ(queue_->Add("other name", "a", "rec a", &id, &error), Queued::kDuplicate);

    std::unique_ptr<QueueVerifier> one = Verifier(), two = Verifier(), three = Verifier();
    ASSERT_TRUE(one && two && three);
    std::optional<QueuedRecording> entry;
    ASSERT_TRUE(one->Take(&entry, &error)) << error;
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->id, first);
    EXPECT_EQ(entry->name, "n-a");
    EXPECT_EQ(entry->recording, "rec a");
    EXPECT_EQ(Take(two.get()), second);
    EXPECT_EQ(Take(three.get()), 0);  // both are being verified

    // Only an entry nobody has begun can be taken back.
    bool withdrawn = true;
    ASSERT_TRUE(queue_->Withdraw(first, &withdrawn, &error)) << error;
    EXPECT_FALSE(withdrawn);

    // A verifier that goes away (its connection closed) leaves its entry to the next.
    one.reset();
    int64_t taken = 0;
    Eventually([&] { return (taken = Take(three.get())) != 0; });
    EXPECT_EQ(taken, first);
    EXPECT_FALSE(Answer(first));
}

TEST_P(QueueTest, AnAnswerIsStoredWithItsEntryAndGivenOnce) {
    const int64_t id = Add("a");
    std::unique_ptr<QueueVerifier> v = Verifier();
    ASSERT_TRUE(v);
    ASSERT_EQ(Take(v.get()), id);
    EXPECT_FALSE(Answer(id));  // not answered yet

    ScoreEntry e;
    e.name = "n-a";
    e.score = 1234;
    e.stage = 2;
    e.frames = 600;
    e.digests = 10;
    e.hash = "a";
    e.submittedMs = 5;
    std::string error;
    ASSERT_EQ(v->Store(&e, &error), Stored::kStored) << error;
    // Not in the table before the answer is committed with it.
    bool found = true;
    ASSERT_TRUE(store_->Contains("a", &found, &error));
    EXPECT_FALSE(found);
    ASSERT_TRUE(v->Finish(QueueAnswer{201, "{\"id\":1}", e.id}, &error)) << error;
    std::optional<std::string> recording;
    ASSERT_TRUE(store_->FindRecording(e.id, &recording, &error)) << error;
    EXPECT_EQ(recording, "rec a");

    const std::optional<QueueAnswer> answer = Answer(id);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 201);
    EXPECT_EQ(answer->json, "{\"id\":1}");
    EXPECT_EQ(answer->entryId, e.id);
    EXPECT_FALSE(Answer(id));  // taken once

    // The same recording queued again (its entry gone) is a duplicate of the table, and the answer
    // still goes through.
    const int64_t again = Add("a");
    ASSERT_EQ(Take(v.get()), again);
    ScoreEntry copy = e;
    EXPECT_EQ(v->Store(&copy, &error), Stored::kDuplicate);
    ASSERT_TRUE(v->Finish(QueueAnswer{409, "{}", 0}, &error)) << error;
    ASSERT_TRUE(Answer(again));
}

TEST_P(QueueTest, AnUnfinishedEntryStoresNothingAndAWaitingOneCanBeWithdrawn) {
    const int64_t id = Add("a");
    {
        std::unique_ptr<QueueVerifier> v = Verifier();
        ASSERT_EQ(Take(v.get()), id);
        ScoreEntry e;
        e.name = "n-a";
        e.hash = "a";
        std::string error;
        ASSERT_EQ(v->Store(&e, &error), Stored::kStored) << error;
    }  // gone before Finish
    std::string error;
    bool found = true;
    ASSERT_TRUE(store_->Contains("a", &found, &error));
    EXPECT_FALSE(found);
    bool withdrawn = false;
    Eventually([&] { return queue_->Withdraw(id, &withdrawn, &error) && withdrawn; });
    EXPECT_TRUE(withdrawn) << error;
    std::unique_ptr<QueueVerifier> v = Verifier();
    EXPECT_EQ(Take(v.get()), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, QueueTest, testing::Values("postgres"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace scores
