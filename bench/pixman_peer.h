// The busiest frame's recorded calls drawn through pixman, for a comparison of the drawing alone:
// pictures as pixman images made beforehand, each call one composite with its clip, transform and
// operator. Built only where pkg-config finds pixman-1 (BENCH_PIXMAN).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/image/draw_state.h"

namespace busiest {

class PixmanPeer {
public:
    PixmanPeer();
    ~PixmanPeer();
    PixmanPeer(const PixmanPeer&) = delete;
    PixmanPeer& operator=(const PixmanPeer&) = delete;

    // Makes the images and composites a frame's calls need (outside any timing), for a 640 x 480
    // canvas of its own; returns the frame's number for Draw, or -1 when pixman refuses an image.
    int Prepare(const std::vector<engine::DrawCall>& calls);
    // Draws a prepared frame.
    void Draw(int frame);
    // The canvas, 640 x 480, 0x00RRGGBB (the top byte is not kept).
    const uint32_t* Pixels() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace busiest
