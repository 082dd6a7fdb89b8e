// Compiles a stage map source (one line per wave, kinds and parameters by name) into FMF map bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

constexpr int kMapColumns = 32;
constexpr int kMapMaxRows = 640;
constexpr int kMapLayers = 4;

// A compiled map: every layer's cell values, row by row.
struct StageMap {
    int rows = 0;
    std::vector<uint16_t> cells[kMapLayers];  // rows x 32 each
};

// Reads `text` (named `file` in messages) for map `mapNumber` (1..4). On a mistake, returns false
// with `error` set to one line: "file:line: reason".
bool CompileMap(const std::string& text, const std::string& file, int mapNumber, StageMap& map,
                std::string& error);

// The FMF bytes of the map: 20-byte header, then the four layers, 16 bits per cell, little-endian.
std::vector<uint8_t> EncodeFmf(const StageMap& map);

}  // namespace datagen
