// The FMF map reader: a 20-byte header and the layers of cells, loaded whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace game {

class FmfMap {
public:
    // False on a missing file, a short header, a wrong magic, a short data block, or cells that the
    // data block is too short to hold (sizes whose product overflows included); the reader is then
    // empty, with width, height and layer count 0.
    bool Open(const std::string& fileName);
    void Release();
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t LayerCount() const { return layers_; }
    // The cell's value, or -1 outside the map (bounds compared unsigned) or with no data loaded.
    int32_t Cell(int layer, int x, int y) const;
    // The first byte of a layer, or null when no data is loaded or the layer does not exist.
    const uint8_t* LayerStart(int layer) const;

private:
    uint32_t width_ = 0, height_ = 0;
    uint8_t layers_ = 0, bitsPerCell_ = 0;
    bool loaded_ = false;
    std::vector<uint8_t> data_;
};

}  // namespace game
