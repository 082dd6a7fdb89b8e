// velmoran-archive: packs a folder into the archive that stands for it, lists one, extracts an entry.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/file/archive_format.h"
#include "engine/file/archive_pack.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: velmoran-archive pack [--store] [--key KEY] FOLDER [ARCHIVE]\n"
                 "       velmoran-archive list [--key KEY] ARCHIVE\n"
                 "       velmoran-archive extract [--key KEY] ARCHIVE ENTRY OUTPUT\n"
                 "The archive for FOLDER is FOLDER.ZRA beside it unless ARCHIVE is given.\n");
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "velmoran-archive: %s\n", message.c_str());
    return 1;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    return bool(out);
}

bool OpenArchive(const std::string& path, const std::string& key, std::vector<uint8_t>* bytes,
                 engine::ArchiveReader* reader, std::string* error) {
    if (!ReadFile(path, bytes)) {
        *error = "cannot read " + path;
        return false;
    }
    engine::ArchiveSource source;
    source.size = bytes->size();
    source.readAt = [bytes](uint64_t offset, void* dest, size_t count) {
        if (offset > bytes->size() || count > bytes->size() - offset) return false;
        std::memcpy(dest, bytes->data() + offset, count);
        return true;
    };
    if (!reader->Open(std::move(source), key)) {
        *error = path + " is not an archive (or was made with another key)";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    std::vector<std::string> args;
    std::string key;
    bool store = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--store") {
            store = true;
        } else if (arg == "--key" && i + 1 < argc) {
            key = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            return Fail("unknown option " + arg);
        } else {
            args.push_back(arg);
        }
    }

    std::string error;
    if (command == "pack" && (args.size() == 1 || args.size() == 2)) {
        std::string folder = args[0];
        while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
        const std::string output = args.size() == 2 ? args[1] : folder + "." + engine::kArchiveExtension;
        engine::ArchiveBuildOptions options;
        options.pack = !store;
        options.keyString = key;
        engine::ArchiveBuildStats stats;
        std::vector<uint8_t> archive;
        if (!engine::BuildArchive(folder, options, &archive, &stats, &error)) return Fail(error);
        if (!WriteFile(output, archive)) return Fail("cannot write " + output);
        std::printf("%s: %d files (%d packed), %d folders, %llu bytes in, %zu bytes out\n", output.c_str(),
                    stats.files, stats.packedFiles, stats.folders, (unsigned long long)stats.inputBytes,
                    archive.size());
        return 0;
    }
    if (command == "list" && args.size() == 1) {
        std::vector<uint8_t> bytes;
        engine::ArchiveReader reader;
        if (!OpenArchive(args[0], key, &bytes, &reader, &error)) return Fail(error);
        std::vector<engine::ArchiveEntry> entries;
        if (!reader.List(&entries)) return Fail(args[0] + " has a damaged table");
        for (const engine::ArchiveEntry& entry : entries) {
            if (entry.IsPacked())
                std::printf("%10u %10u  %s\n", entry.size, entry.packedSize, entry.name.c_str());
            else
                std::printf("%10u %10s  %s\n", entry.size, "-", entry.name.c_str());
        }
        return 0;
    }
    if (command == "extract" && args.size() == 3) {
        std::vector<uint8_t> bytes;
        engine::ArchiveReader reader;
        if (!OpenArchive(args[0], key, &bytes, &reader, &error)) return Fail(error);
        engine::ArchiveEntry entry;
        if (!reader.Find(args[1], &entry)) return Fail(args[0] + " holds no file " + args[1]);
        std::vector<uint8_t> contents;
        if (!reader.ReadEntry(entry, &contents)) return Fail(args[1] + " is damaged in " + args[0]);
        if (!WriteFile(args[2], contents)) return Fail("cannot write " + args[2]);
        return 0;
    }
    return Usage();
}
