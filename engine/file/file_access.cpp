// File access (plain files only until archives land).
#include "engine/file/file_access.h"

#include <cstdio>

namespace engine {

bool ReadWholeFile(const std::string& name, std::vector<uint8_t>* out) {
    FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    out->clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out->insert(out->end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

void ResetFileAccess() {}

}  // namespace engine
