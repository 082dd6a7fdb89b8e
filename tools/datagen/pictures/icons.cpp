// The desktop icons: the player's ship on its ring over deep space, drawn afresh at every size.
#include <cstdio>
#include <filesystem>
#include <string>

#include "generators.h"
#include "pictures/canvas.h"
#include "pictures/families.h"
#include "pictures/image_io.h"

namespace datagen {

using namespace pic;

namespace {

Canvas Icon(int size) {
    Canvas cv(size, size);
    cv.ClipAll();
    const float k = size / 256.0f;
    const V2 c{size * 0.5f, size * 0.5f};
    // A rounded tile of night sky, so the icon reads on light and dark desktops alike.
    const Shape tile =
        Grow(Poly({{24 * k, 24 * k}, {232 * k, 24 * k}, {232 * k, 232 * k}, {24 * k, 232 * k}}), 20 * k);
    Fill(cv, Grow(tile, 2 * k), Hex(0x02040c));
    Fill(cv, tile, Radial({c.x - 30 * k, c.y - 40 * k}, 230 * k, Hex(0x1a3070), Hex(0x050818)));
    if (size >= 48) {
        Rng rng(7);
        for (int i = 0; i < 40; ++i) {
            const V2 p{rng.Range(20, 236) * k, rng.Range(20, 236) * k};
            Fill(cv, Intersect(Circle(p, rng.Range(0.6f, 1.6f) * k), tile),
                 Hex(0xcfe0ff, rng.Range(0.4f, 0.9f)));
        }
    }
    if (size >= 48) {
        // The ring the ship flies on, and the ship crossing it at the top right, pointing along it.
        Glow(cv, c, 96 * k, Hex(0x2060ff), 0.35f);
        Fill(cv, Ring(c, 84 * k, 7 * k),
             Linear({c.x, c.y - 84 * k}, Hex(0x8af0ff), {c.x, c.y + 84 * k}, Hex(0x2a70e0)));
        DrawShipIcon(cv, Xf{{c.x + 40 * k, c.y - 52 * k}, -0.62f, 3.0f * k}, 1);
    } else {
        // Small sizes show the ship alone, larger and centred: the ring would only blur it.
        DrawShipIcon(cv, Xf{{c.x + 4 * k, c.y - 4 * k}, -0.78f, 3.6f * k}, 1);
    }
    return cv;
}

}  // namespace

bool WriteIcons(const std::string& dir) {
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const std::string folder =
            dir + "/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!WritePng(folder + "/velmoran.png", Bake(Icon(size), true))) {
            std::fprintf(stderr, "velmoran-datagen: cannot write the icons under \"%s\"\n", dir.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace datagen
