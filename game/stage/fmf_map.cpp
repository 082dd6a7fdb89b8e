// The FMF map reader.
#include "game/stage/fmf_map.h"

#include <fstream>

namespace game {

namespace {
uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
// Largest data block we accept; the game's maps are a few tens of kilobytes.
constexpr uint32_t kMaxBlock = 256u << 20;
}  // namespace

bool FmfMap::Open(const std::string& fileName) {
    Release();
    std::ifstream f(fileName, std::ios::binary);
    if (!f) return false;
    uint8_t h[20];
    if (!f.read(reinterpret_cast<char*>(h), 20) || h[0] != 'F' || h[1] != 'M' || h[2] != 'F' || h[3] != '_')
        return false;
    const uint32_t size = U32(h + 4);
    const uint8_t bits = h[19];
    // Only 8 and 16 bits per cell exist; anything else is a broken file.
    if (size > kMaxBlock || (bits != 8 && bits != 16)) return false;
    std::vector<uint8_t> block(size);
    if (size > 0 && !f.read(reinterpret_cast<char*>(block.data()), size)) return false;
    // A block too short for the cells the header describes is refused here, so no cell query can
    // reach past it.
    const uint64_t cells = uint64_t(U32(h + 8)) * U32(h + 12) * h[18];
    if (cells * (bits / 8) > size) return false;
    width_ = U32(h + 8);
    height_ = U32(h + 12);
    layers_ = h[18];
    bitsPerCell_ = bits;
    data_ = std::move(block);
    loaded_ = true;
    return true;
}

void FmfMap::Release() {
    data_.clear();
    data_.shrink_to_fit();
    loaded_ = false;
}

int32_t FmfMap::Cell(int layer, int x, int y) const {
    if (!loaded_ || uint32_t(layer & 0xFF) >= layers_ || uint32_t(x) >= width_ || uint32_t(y) >= height_)
        return -1;
    const size_t cellBytes = bitsPerCell_ / 8;
    const size_t index =
        (size_t(layer & 0xFF) * width_ * height_ + size_t(y) * width_ + size_t(x)) * cellBytes;
    if (cellBytes == 1) return data_[index];
    return int32_t(data_[index]) | int32_t(data_[index + 1]) << 8;
}

const uint8_t* FmfMap::LayerStart(int layer) const {
    if (!loaded_ || uint32_t(layer & 0xFF) >= layers_ || data_.empty()) return nullptr;
    return data_.data() + size_t(layer & 0xFF) * width_ * height_ * (bitsPerCell_ / 8);
}

}  // namespace game
