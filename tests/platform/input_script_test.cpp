// Input scripts are files from strangers: what one may cost is bounded, and its playback keeps the
// pointer where a script could have put it.
#include "platform/common/input_script.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/common/script_feed.h"

namespace {

std::string Repeat(const std::string& line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += line;
    return text;
}

// Each limit, small: a script at the limit is read, one just past it is refused with a line that
// names the file and the limit.
TEST(InputScriptLimits, AScriptPastALimitIsRefusedWithTheLimitNamed) {
    scripted::ScriptLimits small;
    small.bytes = 200;
    small.frame = 1000;
    small.events = 4;
    small.workMillis = 50;
    small.lineChars = 40;
    const std::string head = "velmoran-input 2\n";
    struct Case {
        const char* what;
        std::string atLimit, pastLimit, says;
    };
    const Case cases[] = {
        {"bytes", head + "# " + std::string(200 - head.size() - 3, 'x') + "\n",
         head + "# " + std::string(200 - head.size() - 2, 'x') + "\n", "s: larger than 200 bytes, the limit"},
        {"frame", head + "1000 close\n", head + "1001 close\n", "s:2: frame 1001 is past 1000, the limit"},
        {"frame of a digest", head + "1000 end 0000000000000000\n", head + "1001 end 0000000000000000\n",
         "s:2: frame 1001 is past 1000"},
        {"events and digests", head + "1 close\n2 close\n60 digest 0000000000000000\n3 close\n",
         head + "1 close\n2 close\n60 digest 0000000000000000\n3 close\n120 end 0000000000000000\n",
         "s:6: more than 4 events and digests, the limit"},
        {"work", head + "1 work 30\n2 work 20\n", head + "1 work 30\n1 work 21\n",
         "s:3: the work lines add up to more than 50 ms, the limit"},
        {"line length", head + "1 move" + std::string(31, ' ') + "1 2\n",
         head + "1 move" + std::string(32, ' ') + "1 2\n",
         "s:2: longer than 40 characters before its comment"},
        {"record files", head + "record score.dat 1\nrecord start.dat 2\n",
         head + "record score.dat 1\nrecord start.dat 2\nrecord score.dat 3\n",
         "s:4: a second record line for score.dat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scripted::InputScript script;
        std::string error;
        EXPECT_TRUE(scripted::ParseInputScript(c.atLimit, "s", &script, &error, small)) << error;
        EXPECT_FALSE(scripted::ParseInputScript(c.pastLimit, "s", &script, &error, small));
        EXPECT_EQ(error.rfind(c.says, 0), 0u) << error;
    }
    // The limits of a real run: frame numbers once went up to 2^40.
    scripted::InputScript script;
    std::string error;
    EXPECT_TRUE(scripted::ParseInputScript(head + "12000000 close\n", "s", &script, &error)) << error;
    EXPECT_FALSE(scripted::ParseInputScript(head + "1099511627776 close\n", "s", &script, &error));
    EXPECT_NE(error.find("past 12000000"), std::string::npos) << error;
    EXPECT_TRUE(scripted::ParseInputScript(head + "1 work 600000\n", "s", &script, &error)) << error;
    EXPECT_FALSE(scripted::ParseInputScript(head + "1 work 600000\n2 work 1\n", "s", &script, &error));
}

// A file is read as a stream: a comment far longer than any line may be is skipped as it is read, and
// the size limit stops the reading with the file's name.
TEST(InputScriptLimits, AFileIsReadLineByLine) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("velmoran-script-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "long.input").string();
    {
        std::ofstream f(path, std::ios::binary);
        f << "velmoran-input 2\n# " << std::string(1 << 20, 'c') << "\n5 key 1 down # "
          << std::string(9000, 'd') << "\n7 close";  // no newline at the end
    }
    scripted::InputScript script;
    std::string error;
    ASSERT_TRUE(scripted::LoadInputScript(path, &script, &error)) << error;
    ASSERT_EQ(script.events.size(), 2u);
    EXPECT_EQ(script.events[0].frame, 5);
    EXPECT_EQ(script.events[1].kind, scripted::ScriptEvent::Kind::kClose);
    scripted::ScriptLimits small;
    small.bytes = 1000;
    EXPECT_FALSE(scripted::LoadInputScript(path, &script, &error, small));
    EXPECT_EQ(error, path + ": larger than 1000 bytes, the limit for an input script");
    EXPECT_FALSE(scripted::LoadInputScript((folder / "missing.input").string(), &script, &error));
    EXPECT_EQ(error, (folder / "missing.input").string() + ": cannot be read");
    std::filesystem::remove_all(folder);
}

// --verify stops a replay that would run on with nothing left to play or check.
TEST(InputScriptLimits, VerifyEndsAfterTheLastThingTheScriptNeeds) {
    struct Case {
        const char* text;
        int64_t last, limit;
    };
    const Case cases[] = {
        {"velmoran-input 2\n", 0, scripted::kVerifyExtraFrames},
        {"velmoran-input 2\n30 key 1 down\n9 close\n", 29, 29 + scripted::kVerifyExtraFrames},
        {"velmoran-input 2\n30 work 5\n", 30, 30 + scripted::kVerifyExtraFrames},  // spent in its own frame
        {"velmoran-input 2\n5 close\n60 digest 0000000000000000\n", 60, 60 + scripted::kVerifyExtraFrames},
        {"velmoran-input 2\n5 close\n60 digest 0000000000000000\n75 end 0000000000000000\n", 75, 76},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        scripted::InputScript script;
        std::string error;
        ASSERT_TRUE(scripted::ParseInputScript(c.text, "s", &script, &error)) << error;
        EXPECT_EQ(scripted::LastScriptedPump(script), c.last);
        EXPECT_EQ(scripted::VerifyFrameLimit(script), c.limit);
    }
}

// `rel` adds up motions; the sum stays where `move` could have put the pointer, whatever the script
// or the game did before.
TEST(ScriptFeed, RelativeMotionSaturates) {
    scripted::InputScript script;
    std::string error;
    ASSERT_TRUE(scripted::ParseInputScript("velmoran-input 2\n" + Repeat("1 rel 100000 -100000\n", 30000) +
                                               "2 rel -5 5\n3 rel 100000 100000\n4 rel -100000 -100000\n",
                                           "s", &script, &error))
        << error;
    scripted::ScriptFeed feed(std::move(script));
    int x = 0, y = 0;
    feed.Begin();
    feed.GetPointer(&x, &y);
    EXPECT_EQ(x, scripted::kScriptPointerLimit);
    EXPECT_EQ(y, -scripted::kScriptPointerLimit);
    feed.Pump();  // a bound is left at once
    feed.GetPointer(&x, &y);
    EXPECT_EQ(x, scripted::kScriptPointerLimit - 5);
    EXPECT_EQ(y, -scripted::kScriptPointerLimit + 5);
    feed.SetPointer(INT_MAX, INT_MIN);  // whatever the game set
    feed.Pump();
    feed.GetPointer(&x, &y);
    EXPECT_EQ(x, scripted::kScriptPointerLimit);
    EXPECT_EQ(y, -scripted::kScriptPointerLimit);
    feed.Pump();
    feed.GetPointer(&x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, -scripted::kScriptPointerLimit);
}

}  // namespace
