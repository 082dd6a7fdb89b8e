// Player names as the table shows them: checked and trimmed before anything stores them.
#pragma once

#include <string>
#include <string_view>

namespace scores {

constexpr int kNameMaxCharacters = 24;

// Trims spaces at both ends and checks what is left: 1 to 24 characters of valid UTF-8, none of them
// a control, format or private-use character. Returns an error message (empty when the name is good).
std::string CleanPlayerName(std::string_view raw, std::string* name);

}  // namespace scores
