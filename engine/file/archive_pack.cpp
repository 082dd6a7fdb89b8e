// Archive writing: a greedy hash-chain packer for entries, and the archive layout built from a folder.
#include "engine/file/archive_pack.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/file/archive_format.h"

namespace engine {

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kMinCopy = 4;
constexpr uint32_t kMaxCopy = 8195;          // (31 | 255 << 5) + 4
constexpr uint32_t kMaxDistance = 1u << 24;  // three distance bytes
constexpr int kChainDepth = 48;
constexpr int kHashBits = 16;

void Put16(std::vector<uint8_t>* out, uint16_t v) { out->insert(out->end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(std::vector<uint8_t>* out, uint32_t v) {
    out->insert(out->end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}
void Put64(std::vector<uint8_t>* out, uint64_t v) {
    Put32(out, uint32_t(v));
    Put32(out, uint32_t(v >> 32));
}
void Set32(std::vector<uint8_t>* out, size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k) (*out)[at + k] = uint8_t(v >> (8 * k));
}

uint32_t Hash4(const uint8_t* p) {
    const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return (v * 2654435761u) >> (32 - kHashBits);
}

struct Node {
    std::string name;  // as written on disk
    bool folder = false;
    fs::path path;
    uint64_t time = 0;  // seconds since 1970 of the last write
    std::vector<Node> children;
};

uint64_t WriteTime(const fs::path& path) {
    std::error_code error;
    const auto t = fs::last_write_time(path, error);
    if (error) return 0;
#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000
    // Older libc++ (emscripten's) has no file_clock::to_sys; its file clock counts from 1970 already.
    const auto seconds = std::chrono::file_clock::to_time_t(t);
#else
    const auto system = std::chrono::file_clock::to_sys(t);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
#endif
    return seconds > 0 ? uint64_t(seconds) : 0;
}

bool ScanFolder(const fs::path& folder, Node* node, int depth, std::string* error) {
    std::error_code ec;
    if (depth > 32) {
        *error = "folders nested too deep at " + folder.string();
        return false;
    }
    fs::directory_iterator it(folder, ec), end;
    if (ec) {
        *error = "cannot read folder " + folder.string() + ": " + ec.message();
        return false;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        Node child;
        child.path = it->path();
        child.name = it->path().filename().string();
        child.time = WriteTime(child.path);
        if (it->is_directory(ec)) {
            child.folder = true;
            if (!ScanFolder(child.path, &child, depth + 1, error)) return false;
        } else if (!it->is_regular_file(ec)) {
            continue;  // sockets, devices and broken links have no bytes to keep
        }
        node->children.push_back(std::move(child));
    }
    if (ec) {
        *error = "cannot read folder " + folder.string() + ": " + ec.message();
        return false;
    }
    std::sort(node->children.begin(), node->children.end(),
              [](const Node& a, const Node& b) { return a.name < b.name; });
    return true;
}

bool ReadFileBytes(const fs::path& path, std::vector<uint8_t>* out, std::string* error) {
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    if (ec || size > kMaxUnpackedSize) {
        *error = ec ? "cannot read " + path.string() : path.string() + " is larger than an entry can be";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        *error = "cannot read " + path.string();
        return false;
    }
    return true;
}

void AppendName(std::vector<uint8_t>* table, const std::string& written) {
    const ArchiveName name = MakeArchiveName(written, 0);
    Put16(table, name.wordCount);
    Put16(table, name.check);
    table->insert(table->end(), name.words.begin(), name.words.end());
    std::vector<uint8_t> asWritten(written.begin(), written.end());
    asWritten.resize(name.words.size(), 0);
    table->insert(table->end(), asWritten.begin(), asWritten.end());
}

}  // namespace

std::vector<uint8_t> PackEntry(const uint8_t* data, size_t size) {
    size_t counts[256] = {};
    for (size_t i = 0; i < size; ++i) ++counts[data[i]];
    const uint8_t escape = uint8_t(std::min_element(counts, counts + 256) - counts);

    std::vector<uint8_t> out(kPackedHeaderSize, 0);
    out.reserve(size / 2 + 64);
    // The chain heads are kept between calls and only the slots this entry used are emptied again:
    // filling a fresh 256 KiB table cost more than packing a small entry.
    static thread_local std::vector<int32_t> head(size_t(1) << kHashBits, -1);
    std::vector<int32_t> previous(size, -1);
    auto insert = [&](size_t at) {
        if (at + kMinCopy > size) return;
        const uint32_t h = Hash4(data + at);
        previous[at] = head[h];
        head[h] = int32_t(at);
    };

    size_t i = 0;
    while (i < size) {
        uint32_t bestLength = 0, bestDistance = 0;
        if (i + kMinCopy <= size) {
            const uint32_t limit = uint32_t(std::min<size_t>(size - i, kMaxCopy));
            int32_t candidate = head[Hash4(data + i)];
            for (int depth = 0; candidate >= 0 && depth < kChainDepth; ++depth) {
                const size_t distance = i - size_t(candidate);
                if (distance > kMaxDistance) break;
                uint32_t length = 0;
                while (length < limit && data[size_t(candidate) + length] == data[i + length]) ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = uint32_t(distance);
                    if (length == limit) break;
                }
                candidate = previous[size_t(candidate)];
            }
        }
        const uint32_t distanceBytes = bestDistance <= 0x100 ? 1 : bestDistance <= 0x10000 ? 2 : 3;
        const uint32_t copyCost = 2 + (bestLength - kMinCopy >= 32 ? 1 : 0) + distanceBytes;
        if (bestLength >= kMinCopy && copyCost < bestLength) {
            const uint32_t extra = bestLength - kMinCopy;
            uint32_t code = (extra & 31) << 3 | (distanceBytes - 1);
            if (extra >= 32) code |= 4;
            out.push_back(escape);
            out.push_back(uint8_t(code >= escape ? code + 1 : code));  // code <= 254, so this fits
            if (extra >= 32) out.push_back(uint8_t(extra >> 5));
            for (uint32_t k = 0; k < distanceBytes; ++k)
                out.push_back(uint8_t((bestDistance - 1) >> (8 * k)));
            for (uint32_t k = 0; k < bestLength; ++k) insert(i + k);
            i += bestLength;
        } else {
            out.push_back(data[i]);
            if (data[i] == escape) out.push_back(escape);
            insert(i);
            ++i;
        }
    }
    for (size_t at = 0; at + kMinCopy <= size; ++at) head[Hash4(data + at)] = -1;
    Set32(&out, 0, uint32_t(size));
    Set32(&out, 4, uint32_t(out.size()));
    out[8] = escape;
    return out;
}

bool BuildArchive(const std::string& folder, const ArchiveBuildOptions& options,
                  std::vector<uint8_t>* archive, ArchiveBuildStats* stats, std::string* error) {
    archive->clear();
    *stats = ArchiveBuildStats();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        *error = "not a folder: " + folder;
        return false;
    }
    Node root;
    root.folder = true;
    if (!ScanFolder(folder, &root, 0, error)) return false;

    // Folders in breadth-first order; each folder's entries are contiguous in the file table.
    std::vector<const Node*> folders = {&root};
    for (size_t f = 0; f < folders.size(); ++f)
        for (const Node& child : folders[f]->children)
            if (child.folder) folders.push_back(&child);

    std::vector<uint8_t> names, files, folderTable;
    std::vector<uint8_t> data;
    std::vector<uint32_t> firstEntry(folders.size());
    size_t nextFolder = 1;
    uint32_t entryCount = 0;
    for (size_t f = 0; f < folders.size(); ++f) {
        firstEntry[f] = entryCount * 44;
        entryCount += uint32_t(folders[f]->children.size());
    }
    for (size_t f = 0; f < folders.size(); ++f) {
        for (const Node& child : folders[f]->children) {
            Put32(&files, uint32_t(names.size()));
            AppendName(&names, child.name);
            Put32(&files, child.folder ? kFolderAttribute : 0);
            for (int t = 0; t < 3; ++t) Put64(&files, child.time);
            if (child.folder) {
                Put32(&files, uint32_t(nextFolder++));  // folders keep their folder index here
                Put32(&files, 0);
                Put32(&files, kUnpackedMark);
                ++stats->folders;
                continue;
            }
            std::vector<uint8_t> bytes;
            if (!ReadFileBytes(child.path, &bytes, error)) return false;
            std::vector<uint8_t> packed;
            if (options.pack && bytes.size() >= 64) packed = PackEntry(bytes.data(), bytes.size());
            // Packed only where it saves a sixteenth: reading a packed entry costs a whole unpack.
            const bool usePacked = !packed.empty() && packed.size() + bytes.size() / 16 < bytes.size();
            const std::vector<uint8_t>& stored = usePacked ? packed : bytes;
            if (data.size() + stored.size() > 0xF0000000u) {
                *error = "the folder is too large for one archive";
                return false;
            }
            Put32(&files, uint32_t(data.size()));
            Put32(&files, uint32_t(bytes.size()));
            Put32(&files, usePacked ? uint32_t(packed.size()) : kUnpackedMark);
            data.insert(data.end(), stored.begin(), stored.end());
            ++stats->files;
            stats->packedFiles += usePacked ? 1 : 0;
            stats->inputBytes += bytes.size();
        }
    }
    // The folder name offsets are those of the folders' own file-table entries.
    std::vector<uint32_t> folderNameOffset(folders.size(), 0xFFFFFFFFu), parent(folders.size(), 0xFFFFFFFFu);
    for (size_t f = 0, next = 1; f < folders.size(); ++f) {
        for (size_t k = 0; k < folders[f]->children.size(); ++k) {
            if (!folders[f]->children[k].folder) continue;
            const size_t at = firstEntry[f] + k * 44;
            folderNameOffset[next] =
                uint32_t(files[at] | files[at + 1] << 8 | files[at + 2] << 16 | files[at + 3] << 24);
            parent[next++] = uint32_t(f);
        }
    }
    const uint32_t fileTableOffset = uint32_t(names.size());
    const uint32_t folderTableOffset = fileTableOffset + uint32_t(files.size());
    for (size_t f = 0; f < folders.size(); ++f) {
        Put32(&folderTable, folderNameOffset[f]);
        Put32(&folderTable, parent[f]);
        Put32(&folderTable, uint32_t(folders[f]->children.size()));
        Put32(&folderTable, fileTableOffset + firstEntry[f]);
    }
    const uint64_t tableSize = names.size() + files.size() + folderTable.size();
    if (tableSize > kMaxTableBlock) {
        *error = "too many entries for one archive";
        return false;
    }

    std::vector<uint8_t>& out = *archive;
    out.push_back('Z');
    out.push_back('R');
    Put16(&out, kArchiveVersion);
    Put32(&out, uint32_t(tableSize));
    Put32(&out, kArchiveHeaderSize);                          // the data area follows the header
    Put32(&out, kArchiveHeaderSize + uint32_t(data.size()));  // the table block follows the data
    Put32(&out, fileTableOffset);
    Put32(&out, folderTableOffset);
    Put32(&out, 0);  // code page: none, names are bytes and only a-z are upper-cased
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), names.begin(), names.end());
    out.insert(out.end(), files.begin(), files.end());
    out.insert(out.end(), folderTable.begin(), folderTable.end());
    ScrambleBytes(DeriveArchiveKey(options.keyString), 0, out.data(), out.size());
    return true;
}

}  // namespace engine
