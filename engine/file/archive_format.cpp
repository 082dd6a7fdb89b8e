// The archive format: keys and scrambling, names and their check value, table walking, unpacking.
#include "engine/file/archive_format.h"

#include <cstring>

namespace engine {

namespace {

// Our own constants: archives made by other programs cannot be read, and need not be.
constexpr uint8_t kKeyFill = 0xC7;
constexpr uint8_t kKeyXor[3] = {0x5B, 0xE2, 0x39};
constexpr ArchiveKey kSecondKey = {0x91, 0x2F, 0x6C, 0xD4, 0x08, 0x7B, 0xA3, 0x5E, 0xF1, 0x36, 0xC9, 0x84};
constexpr int kMaxFolderDepth = 64;
constexpr size_t kMaxListedEntries = 1u << 20;
// The longest copy a packed entry can hold is 8195 bytes for 4 input bytes.
constexpr uint64_t kMaxUnpackRatio = 2049;

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool IsLeadByte(uint8_t b, uint32_t codePage) {
    switch (codePage) {
        case 932:
            return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        case 936:
        case 949:
        case 950:
            return b >= 0x81 && b <= 0xFE;
        default:
            return false;
    }
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (IsSeparator(c)) {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

}  // namespace

ArchiveKey DeriveArchiveKey(const std::string& keyString) {
    ArchiveKey key;
    for (size_t i = 0; i < key.size(); ++i) {
        const uint8_t b = keyString.empty() ? kKeyFill : uint8_t(keyString[i % keyString.size()]);
        switch (i % 4) {
            case 0:
                key[i] = uint8_t(~b);
                break;
            case 1:
                key[i] = uint8_t(b << 4 | b >> 4);
                break;
            case 2: {
                const int r = 1 + int(i / 4);
                key[i] = uint8_t(b << r | b >> (8 - r));
                break;
            }
            default:
                key[i] = uint8_t(b ^ kKeyXor[i / 4]);
                break;
        }
    }
    return key;
}

ArchiveKey SecondArchiveKey() { return kSecondKey; }

void ScrambleBytes(const ArchiveKey& key, uint64_t fileOffset, uint8_t* bytes, size_t size) {
    size_t k = size_t(fileOffset % key.size());
    for (size_t i = 0; i < size; ++i) {
        bytes[i] ^= key[k];
        if (++k == key.size()) k = 0;
    }
}

uint16_t ArchiveNameCheck(const uint8_t* words, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ words[i]) * 16777619u;
    return uint16_t(h ^ h >> 16);
}

ArchiveName MakeArchiveName(const std::string& part, uint32_t codePage) {
    ArchiveName name;
    std::vector<uint8_t> upper(part.begin(), part.end());
    for (size_t i = 0; i < upper.size(); ++i) {
        if (IsLeadByte(upper[i], codePage) && i + 1 < upper.size()) {
            ++i;  // the trail byte of a double-byte character is no letter
        } else if (upper[i] >= 'a' && upper[i] <= 'z') {
            upper[i] = uint8_t(upper[i] - 'a' + 'A');
        }
    }
    const size_t words = (upper.size() + 3) / 4;
    if (words > 0xFFFF) return name;  // cannot be stored, hence matches nothing
    upper.resize(words * 4, 0);
    name.wordCount = uint16_t(words);
    name.check = ArchiveNameCheck(upper.data(), upper.size());
    name.words = std::move(upper);
    return name;
}

bool UnpackEntry(const uint8_t* in, size_t inSize, uint32_t expectedSize, std::vector<uint8_t>* out) {
    out->clear();
    if (inSize < kPackedHeaderSize) return false;
    const uint32_t outSize = Le32(in);
    const uint32_t packedSize = Le32(in + 4);
    const uint8_t escape = in[8];
    if (outSize != expectedSize || outSize > kMaxUnpackedSize) return false;
    if (packedSize < kPackedHeaderSize || packedSize > inSize) return false;
    if (uint64_t(outSize) > uint64_t(packedSize - kPackedHeaderSize) * kMaxUnpackRatio) return false;
    out->resize(outSize);
    uint8_t* o = out->data();
    size_t r = kPackedHeaderSize;
    size_t w = 0;
    while (r < packedSize) {
        const uint8_t b = in[r++];
        if (b != escape) {
            if (w >= outSize) return false;
            o[w++] = b;
            continue;
        }
        if (r >= packedSize) return false;
        const uint8_t c = in[r++];
        if (c == escape) {
            if (w >= outSize) return false;
            o[w++] = escape;
            continue;
        }
        const uint32_t code = c > escape ? c - 1u : c;
        uint32_t length = code >> 3;
        if (code & 4) {
            if (r >= packedSize) return false;
            length |= uint32_t(in[r++]) << 5;
        }
        length += 4;
        const uint32_t distanceBytes = (code & 3) + 1;
        if (distanceBytes == 4) return false;  // code 3 is never written
        if (packedSize - r < distanceBytes) return false;
        uint32_t distance = 0;
        for (uint32_t k = 0; k < distanceBytes; ++k) distance |= uint32_t(in[r + k]) << (8 * k);
        r += distanceBytes;
        distance += 1;
        if (distance > w || length > outSize - w) return false;
        // Byte by byte on purpose: a copy longer than its distance repeats the last bytes.
        for (uint32_t k = 0; k < length; ++k, ++w) o[w] = o[w - distance];
    }
    if (w != outSize) return false;
    return true;
}

bool ArchiveReader::Open(ArchiveSource source, const std::string& keyString) {
    source_ = std::move(source);
    table_.clear();
    headerValid_ = false;
    if (source_.size < 24 || !source_.readAt) return false;
    uint8_t raw[kArchiveHeaderSize] = {};
    const size_t headerBytes = source_.size >= kArchiveHeaderSize ? kArchiveHeaderSize : 24;
    if (!source_.readAt(0, raw, headerBytes)) return false;
    uint8_t header[kArchiveHeaderSize];
    bool found = false;
    for (const ArchiveKey& key : {DeriveArchiveKey(keyString), SecondArchiveKey()}) {
        std::memcpy(header, raw, sizeof header);
        ScrambleBytes(key, 0, header, headerBytes);
        if (header[0] == 'Z' && header[1] == 'R') {
            key_ = key;
            found = true;
            break;
        }
    }
    if (!found) return false;
    version_ = Le16(header + 2);
    if (version_ > kArchiveVersion) return false;
    if (version_ == 4 && headerBytes < kArchiveHeaderSize) return false;
    const uint32_t tableSize = Le32(header + 4);
    dataArea_ = Le32(header + 8);
    const uint64_t tableOffset = Le32(header + 12);
    fileTableOffset_ = Le32(header + 16);
    folderTableOffset_ = Le32(header + 20);
    codePage_ = version_ == 4 ? Le32(header + 24) : 0;
    entrySize_ = version_ < 2 ? 40 : 44;
    headerValid_ = true;
    if (tableSize > kMaxTableBlock || tableOffset + tableSize > source_.size || dataArea_ > source_.size)
        return false;
    if (fileTableOffset_ > tableSize || uint64_t(folderTableOffset_) + kFolderRecordSize > tableSize)
        return false;
    table_.resize(tableSize);
    if (!source_.readAt(tableOffset, table_.data(), tableSize)) return false;
    ScrambleBytes(key_, tableOffset, table_.data(), tableSize);
    return true;
}

bool ArchiveReader::U32(uint64_t at, uint32_t* value) const {
    if (at + 4 > table_.size()) return false;
    *value = Le32(table_.data() + at);
    return true;
}

bool ArchiveReader::EntryAt(uint64_t at, ArchiveEntry* entry, uint32_t* nameOffset) const {
    if (at + entrySize_ > table_.size()) return false;
    const uint8_t* p = table_.data() + at;
    *nameOffset = Le32(p);
    entry->attributes = Le32(p + 4);
    // Folders keep their folder-table index in the data offset field.
    entry->dataStart = entry->IsFolder() ? Le32(p + 32) : dataArea_ + Le32(p + 32);
    entry->size = Le32(p + 36);
    entry->packedSize = entrySize_ >= 44 ? Le32(p + 40) : kUnpackedMark;
    return true;
}

bool ArchiveReader::NameMatches(uint32_t nameOffset, const ArchiveName& name) const {
    if (uint64_t(nameOffset) + 4 + name.words.size() > table_.size()) return false;
    const uint8_t* p = table_.data() + nameOffset;
    return Le16(p) == name.wordCount && Le16(p + 2) == name.check &&
           std::memcmp(p + 4, name.words.data(), name.words.size()) == 0;
}

bool ArchiveReader::WrittenName(uint32_t nameOffset, std::string* name) const {
    if (uint64_t(nameOffset) + 4 > table_.size()) return false;
    const uint64_t bytes = uint64_t(Le16(table_.data() + nameOffset)) * 4;
    const uint64_t at = uint64_t(nameOffset) + 4 + bytes;
    if (at + bytes > table_.size()) return false;
    const char* p = reinterpret_cast<const char*>(table_.data() + at);
    name->assign(p, strnlen(p, bytes));
    return true;
}

bool ArchiveReader::FolderAt(uint32_t index, uint32_t* count, uint32_t* first) const {
    const uint64_t at = uint64_t(folderTableOffset_) + uint64_t(index) * kFolderRecordSize;
    if (!U32(at + 8, count) || !U32(at + 12, first)) return false;
    return uint64_t(*first) + uint64_t(*count) * entrySize_ <= table_.size();
}

bool ArchiveReader::Find(const std::string& relativePath, ArchiveEntry* entry) const {
    const std::vector<std::string> parts = SplitPath(relativePath);
    if (parts.empty() || table_.empty()) return false;
    uint32_t folder = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool last = i + 1 == parts.size();
        const ArchiveName name = MakeArchiveName(parts[i], codePage_);
        uint32_t count, first;
        if (name.wordCount == 0 || !FolderAt(folder, &count, &first)) return false;
        bool found = false;
        for (uint32_t k = 0; k < count && !found; ++k) {
            ArchiveEntry candidate;
            uint32_t nameOffset;
            if (!EntryAt(uint64_t(first) + uint64_t(k) * entrySize_, &candidate, &nameOffset)) return false;
            if (candidate.IsFolder() == last || !NameMatches(nameOffset, name)) continue;
            found = true;
            if (last) {
                *entry = candidate;
                WrittenName(nameOffset, &entry->name);
            } else {
                folder = uint32_t(candidate.dataStart);
            }
        }
        if (!found) return false;
    }
    return true;
}

bool ArchiveReader::ListFolder(uint32_t folder, const std::string& prefix, int depth,
                               std::vector<ArchiveEntry>* entries, size_t* visited) const {
    uint32_t count, first;
    if (depth > kMaxFolderDepth || !FolderAt(folder, &count, &first)) return false;
    for (uint32_t k = 0; k < count; ++k) {
        if (++*visited > kMaxListedEntries) return false;
        ArchiveEntry entry;
        uint32_t nameOffset;
        if (!EntryAt(uint64_t(first) + uint64_t(k) * entrySize_, &entry, &nameOffset)) return false;
        std::string name;
        if (!WrittenName(nameOffset, &name)) return false;
        entry.name = prefix + name;
        if (entry.IsFolder()) {
            if (!ListFolder(uint32_t(entry.dataStart), entry.name + "/", depth + 1, entries, visited))
                return false;
        } else {
            entries->push_back(entry);
        }
    }
    return true;
}

bool ArchiveReader::List(std::vector<ArchiveEntry>* entries) const {
    entries->clear();
    size_t visited = 0;
    return !table_.empty() && ListFolder(0, "", 0, entries, &visited);
}

bool ArchiveReader::ReadPlain(uint64_t fileOffset, void* dest, size_t count) const {
    if (fileOffset > source_.size || count > source_.size - fileOffset) return false;
    if (count == 0) return true;
    if (!source_.readAt(fileOffset, dest, count)) return false;
    ScrambleBytes(key_, fileOffset, static_cast<uint8_t*>(dest), count);
    return true;
}

bool ArchiveReader::ReadEntry(const ArchiveEntry& entry, std::vector<uint8_t>* out) const {
    out->clear();
    if (entry.IsFolder()) return false;
    if (!entry.IsPacked()) {
        if (entry.size > kMaxUnpackedSize || entry.dataStart + entry.size > source_.size) return false;
        out->resize(entry.size);
        return ReadPlain(entry.dataStart, out->data(), entry.size);
    }
    if (entry.packedSize < kPackedHeaderSize || entry.dataStart + entry.packedSize > source_.size)
        return false;
    std::vector<uint8_t> packed(entry.packedSize);
    if (!ReadPlain(entry.dataStart, packed.data(), packed.size())) return false;
    return UnpackEntry(packed.data(), packed.size(), entry.size, out);
}

}  // namespace engine
