// Names, the text the server writes and the recordings' identity.
#include "server/text.h"

#include <gtest/gtest.h>

#include "server/names.h"

namespace scores {
namespace {

TEST(PlayerName, CheckedAndTrimmed) {
    std::string kana24;
    for (int i = 0; i < 24; ++i) kana24 += "\xe3\x81\x82";
    struct Case {
        std::string raw;
        std::string name;  // empty: refused
    };
    const Case cases[] = {
        {"  Ada  ", "Ada"},
        {"'; DROP TABLE scores;--", "'; DROP TABLE scores;--"},  // kept as written
        {std::string(24, 'x'), std::string(24, 'x')},
        {std::string(25, 'x'), ""},
        {"\xe3\x81\x82\xe3\x81\x84", "\xe3\x81\x82\xe3\x81\x84"},  // characters, not bytes, are counted
        {kana24, kana24},
        {"", ""},
        {"    ", ""},
        {"tab\there", ""},
        {"line\nbreak", ""},
        {std::string("nul\0byte", 8), ""},
        {"\xc0\xaf", ""},      // overlong '/'
        {"\xed\xa0\x80", ""},  // a surrogate
        {"\xe3\x81", ""},      // cut short
        {"abc\xe2\x80\xae"
         "cba",
         ""},  // right-to-left override
        {"zero\xe2\x80\x8bwidth", ""},
        {"\xef\xbf\xbe", ""},  // a noncharacter
    };
    for (const Case& c : cases) {
        std::string name = "unchanged";
        const std::string error = CleanPlayerName(c.raw, &name);
        if (c.name.empty()) {
            EXPECT_FALSE(error.empty()) << c.raw;
            EXPECT_EQ(name, "unchanged");
        } else {
            EXPECT_EQ(error, "") << c.raw;
            EXPECT_EQ(name, c.name);
        }
    }
    std::string name;
    EXPECT_FALSE(CleanPlayerName(std::string(1 << 20, 'a'), &name).empty());
}

TEST(Escaping, JsonAndHtmlCarryNoMarkup) {
    EXPECT_EQ(JsonString("a\"b\\c\n\x01<x>&"), "\"a\\\"b\\\\c\\n\\u0001\\u003cx\\u003e\\u0026\"");
    EXPECT_EQ(JsonString("\xe3\x81\x82"), "\"\xe3\x81\x82\"");
    EXPECT_EQ(HtmlEscape("<script>alert('x')</script> & \"q\""),
              "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;");
}

TEST(Recording, VersionOfTheFirstLine) {
    const std::pair<const char*, int> cases[] = {
        {"velmoran-input 2\n1 close\n", 2},
        {"velmoran-input 1\n", 1},
        {"velmoran-input 12   # comment\n", 12},
        {"velmoran-input 3\r\n", 3},
        {"velmoran-input 2", 2},
        {"velmoran-input 2x\n", 0},
        {"velmoran-input \n", 0},
        {" velmoran-input 2\n", 0},
        {"velmoran-input 99999999999999\n", 0},
        {"", 0},
        {"\x89PNG\r\n", 0},
    };
    for (const auto& [body, version] : cases) EXPECT_EQ(RecordingVersion(body), version) << body;
}

TEST(Recording, HashIgnoresCommentsAndSpacingOnly) {
    const std::string game = "velmoran-input 2\nseed 7\n30 key 1 down\n60 digest 0123456789abcdef\n";
    const std::string hash = RecordingHash(game);
    EXPECT_EQ(hash.size(), 64u);
    EXPECT_EQ(RecordingHash("# played by me\nvelmoran-input 2\r\n\nseed  7   # lucky\n30\tkey 1 down\n"
                            "60 digest 0123456789abcdef"),
              hash);
    EXPECT_NE(RecordingHash("velmoran-input 2\nseed 8\n30 key 1 down\n60 digest 0123456789abcdef\n"), hash);
    EXPECT_NE(RecordingHash("velmoran-input 2\nseed 7\n30 key 1 down\n60 digest 0123456789abcdee\n"), hash);
    // Words are not run together by the spacing rule.
    EXPECT_NE(RecordingHash("velmoran-input 2\n301 key 1 down\n"),
              RecordingHash("velmoran-input 2\n30 1key 1 down\n"));
}

}  // namespace
}  // namespace scores
