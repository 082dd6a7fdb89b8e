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

// Bytes the header's cells need, false when the product overflows 64 bits: a crafted header of
// 2^31 x 2^31 cells must not wrap round to a small number and pass the block check.
bool CellBytes(uint32_t width, uint32_t height, uint8_t layers, uint8_t bits, uint64_t* out) {
    uint64_t n = 0;
    return !__builtin_mul_overflow(uint64_t(width), uint64_t(height), &n) &&
           !__builtin_mul_overflow(n, uint64_t(layers), &n) &&
           !__builtin_mul_overflow(n, uint64_t(bits / 8), out);
}
}  // namespace

bool FmfMap::Open(const std::string& fileName) {
    // A failed open leaves nothing of an earlier file behind, not even its sizes.
    Release();
    width_ = height_ = 0;
    layers_ = bitsPerCell_ = 0;
    std::ifstream f(fileName, std::ios::binary);
    if (!f) return false;
    uint8_t h[20];
    if (!f.read(reinterpret_cast<char*>(h), 20) || h[0] != 'F' || h[1] != 'M' || h[2] != 'F' || h[3] != '_')
        return false;
    const uint32_t size = U32(h + 4);
    const uint8_t bits = h[19];
    // Only 8 and 16 bits per cell exist; anything else is a broken file.
    if (size > kMaxBlock || (bits != 8 && bits != 16)) return false;
    // A block too short for the cells the header describes is refused here, so no cell query can
    // reach past it.
    uint64_t needed = 0;
    if (!CellBytes(U32(h + 8), U32(h + 12), h[18], bits, &needed) || needed > size) return false;
    // The block must really follow the header: a 20-byte file claiming 256 MB takes no memory.
    const std::streampos blockStart = f.tellg();
    if (!f.seekg(0, std::ios::end)) return false;
    const std::streamoff available = f.tellg() - blockStart;
    if (available < std::streamoff(size) || !f.seekg(blockStart)) return false;
    std::vector<uint8_t> block(size);
    if (size > 0 && !f.read(reinterpret_cast<char*>(block.data()), size)) return false;
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
    const uint64_t cellBytes = bitsPerCell_ / 8;
    const uint64_t index =
        (uint64_t(layer & 0xFF) * width_ * height_ + uint64_t(y) * width_ + uint64_t(x)) * cellBytes;
    // Open already refused blocks too short for their cells; this guard keeps a query inside the
    // block whatever the header said.
    if (index + cellBytes > data_.size()) return -1;
    if (cellBytes == 1) return data_[index];
    return int32_t(data_[index]) | int32_t(data_[index + 1]) << 8;
}

const uint8_t* FmfMap::LayerStart(int layer) const {
    if (!loaded_ || uint32_t(layer & 0xFF) >= layers_ || data_.empty()) return nullptr;
    const uint64_t offset = uint64_t(layer & 0xFF) * width_ * height_ * (bitsPerCell_ / 8);
    return offset < data_.size() ? data_.data() + offset : nullptr;
}

}  // namespace game
