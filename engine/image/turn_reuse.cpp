// The kept turned draws: found by key through a small open-addressing table, dropped when a frame
// does not draw them.
#include "engine/image/turn_reuse.h"

#include <cmath>
#include <cstring>

#include "engine/image/picture.h"

namespace engine::turn {

namespace {

bool SameKey(const ReuseKey& a, const ReuseKey& b) {
    return a.picture == b.picture && a.pixels == b.pixels && a.generation == b.generation &&
           a.offsetX == b.offsetX && a.offsetY == b.offsetY && a.width == b.width && a.height == b.height &&
           a.mirror == b.mirror && a.scale == b.scale && a.c == b.c && a.sn == b.sn;
}

uint64_t Hash(const ReuseKey& k) {
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(k.picture)) * 0x9E3779B97F4A7C15u;
    for (uint64_t v :
         {uint64_t(k.generation), uint64_t(uint32_t(k.offsetX)) << 32 | uint32_t(k.offsetY),
          uint64_t(uint32_t(k.width)) << 32 | uint32_t(k.height), uint64_t(k.mirror), k.scale, k.c, k.sn})
        h = (h ^ v) * 0x100000001B3u + (h >> 29);
    return h ^ (h >> 32);
}

constexpr size_t kTable = 8192;  // slots; a frame holds at most 4096 draws before it is flushed

}  // namespace

void ReuseStore::BeginFrame() {
    if (++frame_ == 0) {  // after 2^32 frames: start again rather than confuse old frames with new
        Clear();
        frame_ = 1;
    }
    if (table_.size() != kTable) table_.assign(kTable, -1);
}

int32_t* ReuseStore::Slot(const ReuseKey& key) {
    for (size_t i = Hash(key) & (kTable - 1);; i = (i + 1) & (kTable - 1)) {
        int32_t& s = table_[i];
        if (s < 0 || SameKey(kept_[size_t(s)]->key, key)) return &s;
    }
}

ReuseUse ReuseStore::Find(const ReuseKey& key, const std::shared_ptr<Picture>& picture, double reach) {
    if (kept_.size() >= kTable / 2) return {};
    int32_t* slot = Slot(key);
    Reused* r = nullptr;
    if (*slot >= 0) {
        r = kept_[size_t(*slot)].get();
    } else {
        // Rows and columns from the centre that a pixel within `reach` can fall on, and a margin.
        if (!(reach >= 0 && reach < 4096)) return {};
        const int half = int(std::ceil(reach)) + 3;
        const int side = 2 * half;
        const int stride = (side + 7) & ~7;  // the gather may write up to a multiple of 8
        const int64_t size = int64_t(side) * stride;
        if (pixels_ + size > kMostPixels) return {};
        auto made = std::make_unique<Reused>();
        made->key = key;
        made->keep = picture;
        made->top = made->left = -half;
        made->rows = made->columns = side;
        made->stride = stride;
        made->pixels.reset(new uint32_t[size_t(size) + 8]);
        made->filled.reset(new std::atomic<uint32_t>[size_t(side)]());
        made->from.reset(new int32_t[size_t(side)]());
        made->to.reset(new int32_t[size_t(side)]());
        pixels_ += size;
        *slot = int32_t(kept_.size());
        kept_.push_back(std::move(made));
        r = kept_.back().get();
    }
    r->usedIn = frame_;
    const bool fills = r->fillerIn != frame_;
    r->fillerIn = frame_;
    return ReuseUse{r, fills};
}

void ReuseStore::EndFrame() {
    size_t n = 0;
    for (size_t i = 0; i < kept_.size(); ++i) {
        if (kept_[i]->usedIn == frame_) {
            if (n != i) kept_[n] = std::move(kept_[i]);
            ++n;
        } else {
            pixels_ -= int64_t(kept_[i]->rows) * kept_[i]->stride;
        }
    }
    kept_.resize(n);
    Rebuild();
}

void ReuseStore::Rebuild() {
    std::fill(table_.begin(), table_.end(), -1);
    for (size_t i = 0; i < kept_.size(); ++i) *Slot(kept_[i]->key) = int32_t(i);
}

void ReuseStore::Clear() {
    kept_.clear();
    pixels_ = 0;
    std::fill(table_.begin(), table_.end(), -1);
}

}  // namespace engine::turn
