// Hands fuzz input to readers that take a file name: one scratch file per process, rewritten per input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace fuzz {

inline const std::string& ScratchPath() {
    struct Scratch {
        std::string path;
        ~Scratch() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    };
    static const Scratch scratch{[] {
        std::random_device seed;  // parallel fuzzing jobs each get their own file
        return (std::filesystem::temp_directory_path() / ("velmoran-fuzz-" + std::to_string(seed())))
            .string();
    }()};
    return scratch.path;
}

inline const std::string& WriteScratch(const uint8_t* data, size_t size) {
    std::ofstream out(ScratchPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return ScratchPath();
}

}  // namespace fuzz
