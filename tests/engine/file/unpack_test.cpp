// The unpacker's copy rule and its refusals, and the packer's round trip through it.
#include <gtest/gtest.h>

#include <random>

#include "engine/file/archive_format.h"
#include "engine/file/archive_pack.h"

namespace {

// A packed entry: header (unpacked size, packed size, escape) and the body.
std::vector<uint8_t> Packed(uint32_t unpackedSize, uint8_t escape, const std::vector<uint8_t>& body) {
    const uint32_t packedSize = uint32_t(body.size()) + 9;
    std::vector<uint8_t> out(body.size() + 9);
    const uint8_t header[9] = {
        uint8_t(unpackedSize),       uint8_t(unpackedSize >> 8), uint8_t(unpackedSize >> 16),
        uint8_t(unpackedSize >> 24), uint8_t(packedSize),        uint8_t(packedSize >> 8),
        uint8_t(packedSize >> 16),   uint8_t(packedSize >> 24),  escape};
    std::copy(header, header + 9, out.begin());
    std::copy(body.begin(), body.end(), out.begin() + 9);
    return out;
}

std::vector<uint8_t> Unpack(const std::vector<uint8_t>& packed, bool* ok) {
    std::vector<uint8_t> out;
    const uint32_t size =
        packed.size() >= 4 ? uint32_t(packed[0] | packed[1] << 8 | packed[2] << 16 | packed[3] << 24) : 0;
    *ok = engine::UnpackEntry(packed.data(), packed.size(), size, &out);
    return out;
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(Unpacker, CopiesFollowTheirCodes) {
    struct Case {
        const char* what;
        uint32_t size;
        uint8_t escape;
        std::vector<uint8_t> body;
        std::string expected;
    } const cases[] = {
        // Code 6 << 3: length 10, one distance byte 0 (distance 1): ten copies of the previous byte.
        {"distance 1, length 10", 11, 0xFF, {'A', 0xFF, 6 << 3, 0}, "AAAAAAAAAAA"},
        {"escape byte escaped", 3, 'E', {'a', 'E', 'E', 'b'}, "aEb"},
        // Distance 3, length 4: an ordinary back reference.
        {"back reference", 7, 0xFF, {'a', 'b', 'c', 0xFF, 0, 2}, "abcabca"},
        // Escape 0x10: codes above it stand one higher; 0x31 is code 0x30 (length 10, distance 1).
        {"codes above the escape", 11, 0x10, {'z', 0x10, 0x31, 0}, "zzzzzzzzzzz"},
        // Bit 2 set: the next byte extends the length: (1 | 1 << 5) + 4 = 37.
        {"extended length", 38, 0xFF, {'q', 0xFF, 1 << 3 | 4, 1, 0}, std::string(38, 'q')},
    };
    for (const Case& c : cases) {
        bool ok = false;
        const std::vector<uint8_t> out = Unpack(Packed(c.size, c.escape, c.body), &ok);
        EXPECT_TRUE(ok) << c.what;
        EXPECT_EQ(out, Text(c.expected)) << c.what;
    }
    // Two and three distance bytes reach far back.
    std::vector<uint8_t> body(304, 'x');
    body[0] = 'S';
    const uint8_t code[4] = {0xFF, 0 << 3 | 1, 43, 1};  // distance 300: copies S and three x
    std::copy(code, code + 4, body.begin() + 300);
    bool ok = false;
    std::vector<uint8_t> out = Unpack(Packed(304, 0xFF, body), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(std::string(out.end() - 4, out.end()), "Sxxx");
}

TEST(Unpacker, MalformedDataIsRefused) {
    struct Case {
        const char* what;
        std::vector<uint8_t> packed;
    } const cases[] = {
        {"copy from before the start", Packed(11, 0xFF, {'A', 0xFF, 6 << 3, 1})},
        {"copy past the stated size", Packed(5, 0xFF, {'A', 0xFF, 6 << 3, 0})},
        {"literal past the stated size", Packed(1, 0xFF, {'A', 'B'})},
        {"distance code 3", Packed(9, 0xFF, {'A', 0xFF, 4 << 3 | 3, 0, 0, 0, 0})},
        {"escape at the end", Packed(1, 0xFF, {'A', 0xFF})},
        {"distance cut short", Packed(6, 0xFF, {'A', 'B', 0xFF, 0 << 3 | 2, 0})},
        {"output shorter than stated", Packed(4, 0xFF, {'A'})},
        {"header only half there", {4, 0, 0, 0, 20}},
        {"packed size beyond the data", {1, 0, 0, 0, 200, 0, 0, 0, 0xFF, 'A'}},
        {"absurd unpacked size", Packed(0x7FFFFFFF, 0xFF, {'A'})},
    };
    for (const Case& c : cases) {
        bool ok = true;
        Unpack(c.packed, &ok);
        EXPECT_FALSE(ok) << c.what;
    }
    // The size from the file table must agree with the header.
    std::vector<uint8_t> out;
    const std::vector<uint8_t> good = Packed(1, 0xFF, {'A'});
    EXPECT_FALSE(engine::UnpackEntry(good.data(), good.size(), 2, &out));
}

TEST(Packer, RoundTripsAndShrinksWhatRepeats) {
    std::mt19937 random(7);
    std::vector<std::vector<uint8_t>> inputs = {{}, {42}, std::vector<uint8_t>(20000, 0)};
    std::vector<uint8_t> noise(5000), text, escapes(300);
    for (uint8_t& b : noise) b = uint8_t(random());
    for (int i = 0; i < 400; ++i) {
        const std::string line =
            "stage " + std::to_string(i % 37) + " enemy " + std::to_string(i * 7 % 11) + "\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    for (size_t i = 0; i < escapes.size(); ++i) escapes[i] = uint8_t(i);  // every value, so no byte is free
    inputs.push_back(noise);
    inputs.push_back(text);
    inputs.push_back(escapes);
    std::vector<uint8_t> far(noise.size() * 2);  // a repeat 5000 bytes back needs two distance bytes
    std::copy(noise.begin(), noise.end(), far.begin());
    std::copy(noise.begin(), noise.end(), far.begin() + std::ptrdiff_t(noise.size()));
    inputs.push_back(far);
    for (const auto& input : inputs) {
        const std::vector<uint8_t> packed = engine::PackEntry(input.data(), input.size());
        std::vector<uint8_t> out;
        ASSERT_TRUE(engine::UnpackEntry(packed.data(), packed.size(), uint32_t(input.size()), &out))
            << input.size();
        EXPECT_EQ(out, input);
    }
    EXPECT_LT(engine::PackEntry(inputs[2].data(), inputs[2].size()).size(), 100u);
    EXPECT_LT(engine::PackEntry(text.data(), text.size()).size(), text.size() / 2);
    EXPECT_LT(engine::PackEntry(far.data(), far.size()).size(), far.size() * 6 / 10);
}

}  // namespace
