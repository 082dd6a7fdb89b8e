// A private folder for one test, removed with everything in it at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace scores {

class TempFolder {
public:
    TempFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/velmoran-scores-test-XXXXXX";
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace scores
