// The writing side of archives: packing entries and building a whole archive from a folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// Packs bytes into the packed-entry form (9-byte header included) that UnpackEntry reads.
std::vector<uint8_t> PackEntry(const uint8_t* data, size_t size);

struct ArchiveBuildOptions {
    bool pack = true;       // pack entries where that makes them smaller
    std::string keyString;  // empty: the default key, as the game reads it
};

struct ArchiveBuildStats {
    int files = 0;
    int folders = 0;
    int packedFiles = 0;
    uint64_t inputBytes = 0;
};

// Builds the archive that stands for `folder`: every regular file and sub-folder below it.
// False with a one-line reason in `error` when the folder cannot be read or is too large.
bool BuildArchive(const std::string& folder, const ArchiveBuildOptions& options,
                  std::vector<uint8_t>* archive, ArchiveBuildStats* stats, std::string* error);

}  // namespace engine
