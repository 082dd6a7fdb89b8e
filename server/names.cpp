#include "server/names.h"

#include <cstdint>

namespace scores {

namespace {

// Decodes one UTF-8 sequence at text[*at]; false for a malformed, overlong or surrogate one.
bool NextCodePoint(std::string_view text, size_t* at, uint32_t* out) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(*at);
    int length = 0;
    uint32_t cp = 0;
    uint32_t least = 0;
    if (lead < 0x80) {
        *out = lead;
        ++*at;
        return true;
    } else if ((lead & 0xe0) == 0xc0) {
        length = 2, cp = lead & 0x1f, least = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3, cp = lead & 0x0f, least = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4, cp = lead & 0x07, least = 0x10000;
    } else {
        return false;
    }
    if (*at + length > text.size()) return false;
    for (int i = 1; i < length; ++i) {
        const uint8_t b = byte(*at + i);
        if ((b & 0xc0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3f);
    }
    if (cp < least || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
    *at += length;
    *out = cp;
    return true;
}

// What would hide, reorder or fake text in the table: controls, invisible format characters (the
// direction overrides among them), private use and the noncharacters.
bool Printable(uint32_t cp) {
    if (cp < 0x20 || (cp >= 0x7f && cp <= 0x9f)) return false;
    if (cp == 0xad || cp == 0x34f || cp == 0x61c || cp == 0x180e) return false;
    if ((cp >= 0x200b && cp <= 0x200f) || (cp >= 0x2028 && cp <= 0x202e) || (cp >= 0x2060 && cp <= 0x206f))
        return false;
    if (cp == 0xfeff || (cp >= 0xfff0 && cp <= 0xfffb) || (cp >= 0xfdd0 && cp <= 0xfdef)) return false;
    if ((cp & 0xfffe) == 0xfffe) return false;
    if (cp >= 0xe000 && cp <= 0xf8ff) return false;
    if (cp >= 0xe0000) return false;  // tags, variation selectors past the BMP, the private planes
    return true;
}

bool Space(char c) { return c == ' '; }

}  // namespace

std::string CleanPlayerName(std::string_view raw, std::string* name) {
    // Far longer than any good name: refused before it is looked at.
    if (raw.size() > 4 * kNameMaxCharacters + 64) return "the name is longer than 24 characters";
    while (!raw.empty() && Space(raw.front())) raw.remove_prefix(1);
    while (!raw.empty() && Space(raw.back())) raw.remove_suffix(1);
    if (raw.empty()) return "a name is needed (1 to 24 characters)";
    int count = 0;
    for (size_t at = 0; at < raw.size();) {
        uint32_t cp = 0;
        if (!NextCodePoint(raw, &at, &cp)) return "the name is not valid UTF-8";
        if (!Printable(cp)) return "the name holds a character that cannot be shown";
        if (++count > kNameMaxCharacters) return "the name is longer than 24 characters";
    }
    name->assign(raw);
    return "";
}

}  // namespace scores
