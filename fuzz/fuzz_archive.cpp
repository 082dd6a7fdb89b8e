// Fuzzes the archive reader: header and keys, the tables, name lookup and reading every entry.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/file/archive_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    engine::ArchiveSource source;
    source.size = size;
    source.readAt = [data, size](uint64_t offset, void* dest, size_t count) {
        if (offset > size || count > size - offset) return false;
        std::memcpy(dest, data + offset, count);
        return true;
    };
    engine::ArchiveReader reader;
    if (!reader.Open(std::move(source), "")) return 0;
    std::vector<uint8_t> contents;
    engine::ArchiveEntry entry;
    for (const char* name : {"se/hit.wav", "SE\\HIT.WAV", "title.bmp", "a/b/c/d.txt", "se", "/", ""})
        if (reader.Find(name, &entry)) reader.ReadEntry(entry, &contents);
    std::vector<engine::ArchiveEntry> entries;
    reader.List(&entries);
    for (size_t i = 0; i < entries.size() && i < 64; ++i) {
        // Every listed name must be found again, and lead to the same bytes.
        if (reader.Find(entries[i].name, &entry)) reader.ReadEntry(entry, &contents);
    }
    return 0;
}
