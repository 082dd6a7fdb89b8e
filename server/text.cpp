#include "server/text.h"

#include <openssl/evp.h>

#include <cstdio>
#include <memory>

namespace scores {

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            default:
                if (u < 0x20 || c == '<' || c == '>' || c == '&' || u == 0x7f) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

int RecordingVersion(std::string_view body) {
    constexpr std::string_view kMagic = "velmoran-input ";
    if (body.substr(0, kMagic.size()) != kMagic) return 0;
    int version = 0;
    size_t at = kMagic.size();
    for (; at < body.size() && body[at] >= '0' && body[at] <= '9'; ++at) {
        version = version * 10 + (body[at] - '0');
        if (version > 1000000) return 0;
    }
    if (at == kMagic.size()) return 0;
    // The line may end there, or go on with spaces and a comment; anything else is not the magic line.
    if (at < body.size() && body[at] != '\n' && body[at] != '\r' && body[at] != ' ' && body[at] != '\t' &&
        body[at] != '#')
        return 0;
    return version;
}

std::string RecordingHash(std::string_view body) {
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr);
    std::string line;
    size_t start = 0;
    while (start < body.size()) {
        size_t end = body.find('\n', start);
        if (end == std::string_view::npos) end = body.size();
        std::string_view raw = body.substr(start, end - start);
        start = end + 1;
        if (const size_t hash = raw.find('#'); hash != std::string_view::npos) raw = raw.substr(0, hash);
        // Words separated by one space, none at the ends; a line with no words is left out.
        line.clear();
        bool gap = false;
        for (const char c : raw) {
            if (c == ' ' || c == '\t' || c == '\r') {
                gap = !line.empty();
                continue;
            }
            if (gap) line += ' ';
            gap = false;
            line += c;
        }
        if (line.empty()) continue;
        line += '\n';
        EVP_DigestUpdate(context.get(), line.data(), line.size());
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

}  // namespace scores
