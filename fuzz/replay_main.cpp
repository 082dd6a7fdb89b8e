// Replays files through one fuzz target without libFuzzer: fuzz_replay TARGET SEEDS [REGRESSIONS].
// The seed folder must exist; the regression folder may not yet. A crash fails the test.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/replay.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: fuzz_replay TARGET SEEDS [REGRESSIONS]\n");
        return 2;
    }
    const fuzz::ReplayTarget* target = fuzz::kReplayTargets;
    while (target->name && std::strcmp(target->name, argv[1]) != 0) ++target;
    if (!target->name) {
        std::fprintf(stderr, "fuzz_replay: no target %s\n", argv[1]);
        return 2;
    }
    if (!fs::is_directory(argv[2])) {
        std::fprintf(stderr, "fuzz_replay: no seed folder %s\n", argv[2]);
        return 2;
    }
    int files = 0;
    for (int i = 2; i < argc; ++i) {
        if (!fs::is_directory(argv[i])) continue;
        std::vector<fs::path> paths;
        for (const auto& entry : fs::directory_iterator(argv[i]))
            if (entry.is_regular_file()) paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        for (const fs::path& path : paths) {
            std::ifstream in(path, std::ios::binary);
            const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                             std::istreambuf_iterator<char>()};
            std::fprintf(stderr, "%s\n", path.c_str());  // the last one named is the culprit of a crash
            target->run(bytes.data(), bytes.size());
            ++files;
        }
    }
    std::printf("%s: %d files replayed\n", target->name, files);
    return files > 0 ? 0 : 1;
}
