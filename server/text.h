// Text the server writes (JSON, HTML) and reads (the recordings' first line and content hash).
#pragma once

#include <string>
#include <string_view>

namespace scores {

// A JSON string literal, quotes included. <, > and & are escaped too, so that the text is safe
// wherever a browser might take it for HTML.
std::string JsonString(std::string_view text);

// Text for an HTML element or a quoted attribute.
std::string HtmlEscape(std::string_view text);

// The version on an input script's first line ("velmoran-input N"); 0 when the line is not one.
int RecordingVersion(std::string_view body);

// The SHA-256 (hexadecimal) of what a recording says, not how it is written: comments, blank lines
// and spacing are left out, so that a comment added to a game already in the table does not make it
// a new entry.
std::string RecordingHash(std::string_view body);

}  // namespace scores
