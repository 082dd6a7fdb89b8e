// Turned draws that repeat one of the last frame's: the source pixels each row read, kept by the
// draw's position-free parts (picture, cell, angle, scale, mirroring) and read again in place of
// the picture. A row reads the same source pixels wherever the draw stands on the screen (rows
// step from the centre column, in whole pixels), so the pixels come out the same as read anew.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace engine {
struct Picture;
}

namespace engine::turn {

// What decides the source pixels of a turned draw's rows, relative to its centre.
struct ReuseKey {
    const Picture* picture = nullptr;
    const uint32_t* pixels = nullptr;
    uint32_t generation = 0;
    int offsetX = 0, offsetY = 0, width = 0, height = 0, mirror = 0;
    uint64_t scale = 0, c = 0, sn = 0;  // the doubles' bits
};

// One kept draw: the source pixels of rows [top, top + rows) and columns [left, left + columns)
// counted from the centre pixel, each row filled once, over the columns its first draw needed.
struct Reused {
    ReuseKey key;
    std::shared_ptr<const Picture> keep;  // no other picture takes its place while kept
    int top = 0, left = 0, rows = 0, columns = 0, stride = 0;
    std::unique_ptr<uint32_t[]> pixels;  // rows x stride
    // Per row: set (with release) once its pixels are in, never cleared; and its filled columns.
    std::unique_ptr<std::atomic<uint32_t>[]> filled;
    std::unique_ptr<int32_t[]> from, to;
    uint32_t usedIn = 0;  // the last frame that drew it
    uint32_t fillerIn = 0;
};

// A held turned draw's part in the reuse: its kept draw, and whether it fills rows this frame
// (the first draw of a key in a frame does; others only read rows filled already).
struct ReuseUse {
    Reused* kept = nullptr;
    bool fills = false;
};

// The kept draws of the last frame, at most kMostPixels pixels in all.
class ReuseStore {
public:
    static constexpr int64_t kMostPixels = int64_t(2) << 20;  // 8 MiB

    // A new frame: finds draws again from here on.
    void BeginFrame();
    // The kept draw for a key (made when new and room is left; `reach` bounds the distance from
    // the centre of every pixel the draw can paint).
    ReuseUse Find(const ReuseKey& key, const std::shared_ptr<Picture>& picture, double reach);
    // Drops the kept draws the frame did not find.
    void EndFrame();
    void Clear();
    int64_t Pixels() const { return pixels_; }

private:
    std::vector<std::unique_ptr<Reused>> kept_;
    std::vector<int32_t> table_;  // open addressing into kept_, -1 empty
    uint32_t frame_ = 0;
    int64_t pixels_ = 0;
    void Rebuild();
    int32_t* Slot(const ReuseKey& key);
};

}  // namespace engine::turn
