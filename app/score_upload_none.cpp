// The score table's sender of a build without a network (the headless WebAssembly program), which
// app/main.cpp reaches only with a scores_url.
#include <cstdio>
#include <filesystem>

#include "app/score_upload.h"

namespace app {

// Nothing is sent: the run's recording is made as usual (main.cpp counts on it) and dropped at the end.
ScoreUploader::ScoreUploader(std::string url, std::string name, std::string folder)
    : url_(std::move(url)), name_(std::move(name)), folder_(std::move(folder)) {
    std::fprintf(stderr, "velmoran: this build cannot send games to %s\n", url_.c_str());
    std::error_code ignored;  // no folder: no recording, and nothing else changes
    std::filesystem::create_directories(folder_, ignored);
}
ScoreUploader::~ScoreUploader() = default;
std::string ScoreUploader::RunRecordingPath() const { return folder_ + "/unsent-run.rec"; }
void ScoreUploader::GameEnded() {}
int ScoreUploader::Sent() const { return 0; }
int ScoreUploader::Waiting() const { return 0; }
bool ScoreUploader::TakeNews(int*, int*) { return false; }

}  // namespace app
