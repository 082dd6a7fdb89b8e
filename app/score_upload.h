// Sending finished games to a score table (scores_url in settings.ini, off by default): the game's
// recording up to the end of its results screen goes to the server, which plays it again before its
// score counts. Sending happens on a thread of its own, never in a frame; what cannot be sent now
// (no network, the server down) waits in the player's Unsent folder and goes with the next game or
// the next start.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace app {

class ScoreUploader {
public:
    // `url`: the server ("http://127.0.0.1:8080"); `name`: the player's name on the table;
    // `folder`: the Unsent folder. Starts sending what an earlier run left there.
    ScoreUploader(std::string url, std::string name, std::string folder);
    // Waits for the send in progress (each is bounded by its time-outs); what is left stays for later.
    ~ScoreUploader();
    ScoreUploader(const ScoreUploader&) = delete;
    ScoreUploader& operator=(const ScoreUploader&) = delete;

    // Where the run's own recording goes while it is written (its unfinished file is never sent).
    std::string RunRecordingPath() const;
    // A game ended: the recording so far (the engine's, flushed now) is copied and sent.
    void GameEnded();

    // What happened so far, for the player and for tests.
    int Sent() const;
    int Waiting() const;
    // True once after each round of sending that had something to send: how many of its games reached
    // the table, and how many wait for later.
    bool TakeNews(int* sent, int* kept);

private:
    struct Copy {
        std::unique_ptr<std::ifstream> from;
        long bytes = 0;
    };
    void Run();
    void SaveCopy(Copy& copy);
    void SendWaiting();
    // 1 sent (or already on the table), 0 to keep for later, -1 refused for good.
    int Send(const std::string& body, std::string* answer);

    std::string url_, name_, folder_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::deque<Copy> copies_;
    bool stop_ = false;
    int sent_ = 0, waiting_ = 0, copiesMade_ = 0;
    bool news_ = false;
    int newsSent_ = 0, newsKept_ = 0;
    std::thread thread_;
};

}  // namespace app
