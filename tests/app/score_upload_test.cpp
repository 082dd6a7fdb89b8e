// Sending finished games to a score table: the recording up to the game's end goes to the server with
// the player's name; a game the server cannot take now waits in the Unsent folder for the next start.
#include "app/score_upload.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/frame/frame.h"
#include "engine/input/recorder.h"
#include "support/headless_session.h"

namespace {

namespace fs = std::filesystem;

// A one-request-at-a-time HTTP server on 127.0.0.1 that answers every request with `status` and keeps
// what it was sent.
class FakeTable {
public:
    explicit FakeTable(int status) : status_(status) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at);
        socklen_t size = sizeof at;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size);
        port_ = ntohs(at.sin_port);
        listen(fd_, 4);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeTable() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> guard(lock_);
        return requests_;
    }

private:
    void Serve() {
        while (!stop_) {
            const int client = accept(fd_, nullptr, nullptr);
            if (client < 0) return;
            std::string request;
            char buffer[4096];
            size_t want = std::string::npos;
            while (request.size() < want) {
                const ssize_t n = read(client, buffer, sizeof buffer);
                if (n <= 0) break;
                request.append(buffer, size_t(n));
                const size_t head = request.find("\r\n\r\n");
                const size_t length = request.find("Content-Length: ");
                if (head != std::string::npos && length != std::string::npos)
                    want = head + 4 + std::stoul(request.substr(length + 16));
            }
            {
                std::lock_guard<std::mutex> guard(lock_);
                requests_.push_back(request);
            }
            const std::string answer = "HTTP/1.1 " + std::to_string(status_) +
                                       " X\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}";
            (void)!write(client, answer.data(), answer.size());
            close(client);
        }
    }
    int status_;
    int fd_ = -1, port_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// Waits (briefly) for the sender's thread to have done `n` things.
template <typename F>
bool Eventually(F done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

TEST(ScoreUpload, AFinishedGameGoesToTheTableOrWaitsForTheNextStart) {
    testsupport::HeadlessSession session;
    const fs::path unsent = session.Folder() / "Unsent";
    {
        FakeTable down(503);
        app::ScoreUploader uploader(down.Url(), "Ada Lovelace", unsent.string());
        ASSERT_TRUE(engine::StartRecording(uploader.RunRecordingPath()));
        ASSERT_EQ(engine::InitEngine(), 0);
        for (int i = 0; i < 5; ++i) engine::PumpMessages();
        uploader.GameEnded();
        ASSERT_TRUE(Eventually([&] { return down.Requests().size() == 1 && uploader.Waiting() == 1; }));
        const std::string request = down.Requests()[0];
        EXPECT_EQ(request.rfind("POST /api/scores?name=Ada%20Lovelace ", 0), 0u) << request;
        EXPECT_NE(request.find("\r\n\r\nvelmoran-input 2\n"), std::string::npos) << request;
        EXPECT_EQ(uploader.Sent(), 0);
        int sent = -1, kept = -1;  // what the player is told: kept for later, once
        ASSERT_TRUE(uploader.TakeNews(&sent, &kept));
        EXPECT_EQ(sent, 0);
        EXPECT_EQ(kept, 1);
        EXPECT_FALSE(uploader.TakeNews(&sent, &kept));
        engine::AbandonRecording();
        engine::EndEngine();
    }
    // Kept for later, and the run's own unfinished recording is gone.
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(unsent)) left.push_back(e.path().filename().string());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind("game-", 0), 0u);
    // The next start sends it; the table has it, so it leaves the folder.
    FakeTable up(201);
    app::ScoreUploader next(up.Url(), "Ada", unsent.string());
    ASSERT_TRUE(Eventually([&] { return next.Sent() == 1; }));
    EXPECT_EQ(next.Waiting(), 0);
    int sent = -1, kept = -1;
    bool told = false;
    ASSERT_TRUE(Eventually([&] { return told = told || next.TakeNews(&sent, &kept); }));
    EXPECT_EQ(sent, 1);
    EXPECT_EQ(kept, 0);
    EXPECT_TRUE(fs::is_empty(unsent));
}

TEST(ScoreUpload, AGameTheTableRefusesIsNotSentAgain) {
    testsupport::HeadlessSession session;
    const fs::path unsent = session.Folder() / "Unsent";
    fs::create_directories(unsent);
    { std::ofstream(unsent / "game-1-1-1.rec") << "velmoran-input 2\n"; }
    FakeTable refusing(422);
    app::ScoreUploader uploader(refusing.Url(), "Ada", unsent.string());
    ASSERT_TRUE(Eventually([&] { return fs::is_empty(unsent); }));
    EXPECT_EQ(uploader.Sent(), 0);
    EXPECT_EQ(refusing.Requests().size(), 1u);
}

}  // namespace
