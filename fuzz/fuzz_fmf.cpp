// Fuzzes the FMF map reader: the header checks, then cell queries at the edges of every layer.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "game/stage/fmf_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    game::FmfMap map;
    if (!map.Open(fuzz::WriteScratch(data, size))) return 0;
    const int w = int(map.Width()), h = int(map.Height());
    volatile int32_t sink = 0;
    for (int layer = -1; layer <= int(map.LayerCount()); ++layer) {
        for (int y : {-1, 0, h / 2, h - 1, h})
            for (int x : {-1, 0, w / 2, w - 1, w}) sink = sink + map.Cell(layer, x, y);
        // The stage loader walks a layer from its first byte: the last cell must be inside the block.
        if (const uint8_t* start = map.LayerStart(layer); start && w > 0 && h > 0)
            if (map.Cell(layer, w - 1, h - 1) < 0) __builtin_trap();
    }
    return 0;
}
