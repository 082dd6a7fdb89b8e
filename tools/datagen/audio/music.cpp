// Music: composes the four tracks, renders them and encodes them as Ogg Vorbis, one thread per track.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "audio/ogg_file.h"
#include "audio/scores.h"
#include "generators.h"

namespace datagen {

namespace {

// Moderate quality keeps the encode fast and the files small; the synthesized music needs no more.
constexpr float kQuality = 0.3f;

bool MakeTrack(const music::Score& score, const std::string& dir, float quality) {
    std::string error;
    music::Song song = score.compose(error);
    if (!error.empty()) {
        std::fprintf(stderr, "velmoran-datagen: music %s: %s\n", score.file, error.c_str());
        return false;
    }
    synth::Buffer left, right;
    music::RenderSong(song, left, right);
    return WriteOgg(dir + "/" + score.file, left, right, quality);
}

}  // namespace

bool WriteMusic(const std::string& out, float quality) {
    if (quality < 0) quality = kQuality;
    const std::string dir = out + "/music";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "velmoran-datagen: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return false;
    }
    std::atomic<bool> ok{true};
    std::vector<std::thread> workers;
    for (const music::Score& score : music::kScores)
        workers.emplace_back([&ok, &score, &dir, quality] {
            if (!MakeTrack(score, dir, quality)) ok = false;
        });
    for (std::thread& w : workers) w.join();
    return ok;
}

}  // namespace datagen
