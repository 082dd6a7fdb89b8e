// velmoran-datagen: writes the game's whole data tree (pictures, sounds, music, stage maps).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "generators.h"

int main(int argc, char** argv) {
    std::string out = "data", src = "assets-src", sheet, icons;
    float musicOnly = -1;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--music-only") && i + 1 < argc) {
            char* end = nullptr;
            musicOnly = std::strtof(argv[++i], &end);
            if (*end != '\0' || !(musicOnly >= -0.1f && musicOnly <= 1.0f)) {
                std::fprintf(stderr,
                             "velmoran-datagen: --music-only takes a quality from -0.1 to 1, not \"%s\"\n",
                             argv[i]);
                return 2;
            }
        } else if (!std::strcmp(argv[i], "--out") && i + 1 < argc) {
            out = argv[++i];
        } else if (!std::strcmp(argv[i], "--src") && i + 1 < argc) {
            src = argv[++i];
        } else if (!std::strcmp(argv[i], "--icons") && i + 1 < argc) {
            icons = argv[++i];
        } else if (!std::strcmp(argv[i], "--contact-sheet") && i + 1 < argc) {
            sheet = argv[++i];
        } else {
            std::fprintf(
                stderr,
                "velmoran-datagen: unknown argument \"%s\"; usage: velmoran-datagen --out DIR --src DIR"
                " | --contact-sheet OUT.png --out DIR | --icons DIR | --music-only QUALITY --out DIR\n",
                argv[i]);
            return 2;
        }
    }
    if (!icons.empty()) return datagen::WriteIcons(icons) ? 0 : 1;
    // The music alone at another quality: the browser page's smaller download.
    if (musicOnly >= -0.1f) return datagen::WriteMusic(out, musicOnly) ? 0 : 1;
    // Reviewing the art needs only the pictures: the sheet mode writes nothing else.
    if (!sheet.empty()) return datagen::WritePictureReview(out, sheet) ? 0 : 1;
    // Music is the longest part and needs nothing else: encode it beside the rest.
    bool musicOk = false;
    std::thread music([&] { musicOk = datagen::WriteMusic(out); });
    const bool restOk =
        datagen::WritePictures(out, src) && datagen::WriteSounds(out) && datagen::WriteMaps(out, src);
    music.join();
    return restOk && musicOk ? 0 : 1;
}
