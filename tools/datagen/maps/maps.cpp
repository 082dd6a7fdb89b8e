// Stage maps: compiles assets-src/maps/map1.txt .. map4.txt into data/map/map1.fmf .. map4.fmf.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "generators.h"
#include "maps/map_compiler.h"

namespace datagen {

bool WriteMaps(const std::string& out, const std::string& src) {
    std::error_code ec;
    std::filesystem::create_directories(out + "/map", ec);
    if (ec) {
        std::fprintf(stderr, "velmoran-datagen: cannot create %s/map: %s\n", out.c_str(),
                     ec.message().c_str());
        return false;
    }
    for (int m = 1; m <= 4; ++m) {
        const std::string source = src + "/maps/map" + std::to_string(m) + ".txt";
        std::ifstream in(source, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "velmoran-datagen: cannot read %s\n", source.c_str());
            return false;
        }
        std::stringstream text;
        text << in.rdbuf();
        StageMap map;
        std::string error;
        if (!CompileMap(text.str(), source, m, map, error)) {
            std::fprintf(stderr, "velmoran-datagen: %s\n", error.c_str());
            return false;
        }
        const std::string target = out + "/map/map" + std::to_string(m) + ".fmf";
        const std::vector<uint8_t> bytes = EncodeFmf(map);
        std::ofstream file(target, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            std::fprintf(stderr, "velmoran-datagen: cannot write %s\n", target.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace datagen
