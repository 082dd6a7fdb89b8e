// velmoran-archive as a user runs it: pack a folder, list and extract, and one clear line on errors.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string output;  // standard output and error together
};

ToolRun RunTool(const std::string& arguments) {
    const std::string command = std::string(VELMORAN_BUILD_DIR) + "/velmoran-archive " + arguments + " 2>&1";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ArchiveTool : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("velmoran-tool-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "data/se");
        std::ofstream(root_ / "data/se/hit.wav", std::ios::binary) << std::string(5000, 'w');
        std::ofstream(root_ / "data/Title.bmp", std::ios::binary) << "BM tiny";
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string At(const std::string& name) const { return (root_ / name).string(); }
    fs::path root_;
};

TEST_F(ArchiveTool, PacksListsAndExtracts) {
    ToolRun pack = RunTool("pack " + At("data"));
    ASSERT_EQ(pack.status, 0) << pack.output;
    EXPECT_NE(pack.output.find("2 files (1 packed), 1 folders"), std::string::npos) << pack.output;
    ASSERT_TRUE(fs::exists(At("data.ZRA")));

    ToolRun list = RunTool("list " + At("data.ZRA"));
    ASSERT_EQ(list.status, 0) << list.output;
    EXPECT_NE(list.output.find("Title.bmp"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("se/hit.wav"), std::string::npos) << list.output;

    ToolRun extract = RunTool("extract " + At("data.ZRA") + " SE/HIT.WAV " + At("hit.wav"));
    ASSERT_EQ(extract.status, 0) << extract.output;
    EXPECT_EQ(Slurp(At("hit.wav")), std::string(5000, 'w'));

    ASSERT_EQ(RunTool("pack --store --key melon " + At("data") + " " + At("keyed.ZRA")).status, 0);
    EXPECT_NE(RunTool("list " + At("keyed.ZRA")).status, 0);
    ToolRun keyed = RunTool("extract --key melon " + At("keyed.ZRA") + " Title.bmp " + At("title.bmp"));
    ASSERT_EQ(keyed.status, 0) << keyed.output;
    EXPECT_EQ(Slurp(At("title.bmp")), "BM tiny");
}

TEST_F(ArchiveTool, ErrorsAreOneLineAndNonZero) {
    ASSERT_EQ(RunTool("pack " + At("data")).status, 0);
    std::ofstream(At("junk.ZRA")) << "not an archive at all, just words";
    const std::string cases[] = {
        "pack " + At("missing"),
        "list " + At("missing.ZRA"),
        "list " + At("junk.ZRA"),
        "extract " + At("data.ZRA") + " se/none.wav " + At("out"),
        "extract " + At("data.ZRA") + " se " + At("out"),
        "extract " + At("data.ZRA") + " se/hit.wav " + At("no/such/folder/out"),
        "frobnicate",
        "pack --bogus " + At("data"),
    };
    for (const std::string& arguments : cases) {
        const ToolRun run = RunTool(arguments);
        EXPECT_NE(run.status, 0) << arguments;
        EXPECT_FALSE(run.output.empty()) << arguments;
        if (run.status == 1) {
            EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
        }
    }
}

}  // namespace
