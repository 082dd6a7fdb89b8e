// The archive format shared by the reader (file access) and the packer: scrambling keys, names,
// entry tables and the unpacker. docs/archive-format.md describes the bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace engine {

constexpr char kArchiveExtension[] = "ZRA";
constexpr uint16_t kArchiveVersion = 4;          // the newest version read and the one written
constexpr uint32_t kArchiveHeaderSize = 28;      // version 4; earlier versions have 24 bytes
constexpr uint32_t kFolderAttribute = 0x10;      // attribute bit of a folder entry
constexpr uint32_t kUnpackedMark = 0xFFFFFFFFu;  // packed size of an entry stored as it is
constexpr uint32_t kFolderRecordSize = 16;
constexpr uint32_t kPackedHeaderSize = 9;
// Guards against hostile tables and packed entries: nothing larger is ever allocated.
constexpr uint32_t kMaxTableBlock = 64u << 20;
constexpr uint32_t kMaxUnpackedSize = 512u << 20;

using ArchiveKey = std::array<uint8_t, 12>;

// The key derived from a key string (empty: no key string, the fixed fill value).
ArchiveKey DeriveArchiveKey(const std::string& keyString);
// The fixed key tried when the derived one does not reveal the magic.
ArchiveKey SecondArchiveKey();
// XORs `size` bytes that sit at `fileOffset` in the archive (scrambling and unscrambling alike).
void ScrambleBytes(const ArchiveKey& key, uint64_t fileOffset, uint8_t* bytes, size_t size);

// One path part in the name table's form: upper case (a-z only, double-byte characters kept whole
// for the code pages 932, 936, 949 and 950), zero-padded to whole 4-byte words.
struct ArchiveName {
    uint16_t wordCount = 0;
    uint16_t check = 0;
    std::vector<uint8_t> words;  // wordCount * 4 bytes
};
ArchiveName MakeArchiveName(const std::string& part, uint32_t codePage);
// The check value over the padded upper-case words (ours: FNV-1a folded to 16 bits).
uint16_t ArchiveNameCheck(const uint8_t* words, size_t size);

// Unpacks a packed entry (9-byte header included). `expectedSize` is the entry's size from the file
// table; false for anything malformed: a copy reaching before the output's start, output past
// the stated size, a distance code 3, a header that disagrees, or input that ends early.
bool UnpackEntry(const uint8_t* packed, size_t packedSize, uint32_t expectedSize, std::vector<uint8_t>* out);

// Where the bytes of an open archive come from: a file, or memory (tests and fuzzing).
struct ArchiveSource {
    uint64_t size = 0;
    // Reads raw (still scrambled) bytes; false when the range is not all inside the source.
    std::function<bool(uint64_t offset, void* dest, size_t count)> readAt;
};

struct ArchiveEntry {
    std::string name;  // as written, path parts joined with "/" (List only)
    uint32_t attributes = 0;
    uint64_t dataStart = 0;  // file offset of the entry's bytes
    uint32_t size = 0;       // unpacked size
    uint32_t packedSize = kUnpackedMark;
    bool IsFolder() const { return (attributes & kFolderAttribute) != 0; }
    bool IsPacked() const { return packedSize != kUnpackedMark; }
};

// An archive whose header and table block have been read and checked.
class ArchiveReader {
public:
    // False when the source is no archive with either key, or its header or table do not fit.
    bool Open(ArchiveSource source, const std::string& keyString);
    // Looks up a path relative to the archive's folder ("se/hit.wav", separators "/" or "\");
    // only a file entry (not a folder) is found.
    bool Find(const std::string& relativePath, ArchiveEntry* entry) const;
    // Every file entry, depth first, in table order; false if the tables are malformed.
    bool List(std::vector<ArchiveEntry>* entries) const;
    // The whole unscrambled and (when packed) unpacked contents of an entry.
    bool ReadEntry(const ArchiveEntry& entry, std::vector<uint8_t>* out) const;
    // Reads raw bytes at a file offset and unscrambles them.
    bool ReadPlain(uint64_t fileOffset, void* dest, size_t count) const;
    uint16_t Version() const { return version_; }
    uint64_t Size() const { return source_.size; }
    // After Open: the header read as an archive's (magic and version), whether or not its tables fit.
    bool HeaderValid() const { return headerValid_; }

private:
    bool U32(uint64_t at, uint32_t* value) const;  // inside the table block
    bool EntryAt(uint64_t at, ArchiveEntry* entry, uint32_t* nameOffset) const;
    bool NameMatches(uint32_t nameOffset, const ArchiveName& name) const;
    bool WrittenName(uint32_t nameOffset, std::string* name) const;
    bool FolderAt(uint32_t index, uint32_t* count, uint32_t* first) const;
    bool ListFolder(uint32_t folder, const std::string& prefix, int depth, std::vector<ArchiveEntry>* entries,
                    size_t* visited) const;

    ArchiveSource source_;
    ArchiveKey key_{};
    uint16_t version_ = 0;
    uint32_t codePage_ = 0;
    uint64_t dataArea_ = 0;
    uint32_t fileTableOffset_ = 0;
    uint32_t folderTableOffset_ = 0;
    uint32_t entrySize_ = 44;
    std::vector<uint8_t> table_;  // the unscrambled table block
    bool headerValid_ = false;
};

}  // namespace engine
