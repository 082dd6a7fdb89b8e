// Fuzzes the FMF map reader: the header checks, then cell queries at the edges of every layer.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "game/stage/fmf_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    game::FmfMap map;
    if (!map.Open(fuzz::WriteScratch(data, size))) return 0;
    // Sizes up to 2^32 - 1: the edges are worked out in 64 bits, then passed as the game passes them.
    const int64_t w = map.Width(), h = map.Height();
    volatile uint32_t sink = 0;
    for (int layer = -1; layer <= int(map.LayerCount()); ++layer) {
        for (int64_t y : {int64_t(-1), int64_t(0), h / 2, h - 1, h})
            for (int64_t x : {int64_t(-1), int64_t(0), w / 2, w - 1, w})
                sink = sink + uint32_t(map.Cell(layer, int(x), int(y)));
        // The stage loader walks a layer from its first byte: the last cell must be inside the block.
        if (const uint8_t* start = map.LayerStart(layer); start && w > 0 && h > 0)
            if (map.Cell(layer, int(w - 1), int(h - 1)) < 0) __builtin_trap();
    }
    return 0;
}
