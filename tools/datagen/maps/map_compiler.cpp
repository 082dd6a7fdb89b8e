// Compiles a stage map source into FMF map bytes.
//
// Layer 1 holds the chip (kind + 1) of a 16-chip-wide palette, layer 2 the map parameter that the enemy
// decodes as lane (chip column) and hold-radius step (chip row), layer 3 the dwell extension. Layer 0
// is left empty: the game does not read it.
#include "tools/datagen/maps/map_compiler.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <sstream>
#include <string_view>

namespace datagen {

namespace {

constexpr std::array<const char*, 20> kKindNames = {
    "drifter",       "heavy-drifter", "circler",       "heavy-circler", "hunter",
    "heavy-hunter",  "rammer",        "split-rammer",  "dasher",        "heavy-dasher",
    "gunner",        "heavy-gunner",  "spread-hunter", "spray-dasher",  "carrier-left",
    "carrier-right", "boss1",         "boss2",         "boss3",         "boss4"};
constexpr int kCarrierLeft = 14, kCarrierRight = 15, kFirstBoss = 16;

// Item names and the carrier lane that carries each.
constexpr std::array<std::pair<const char*, int>, 5> kItems = {
    {{"option", 3}, {"life", 5}, {"twin", 7}, {"napalm", 9}, {"spread", 11}}};

constexpr long kTooBig = 1L << 40;

// A plain decimal number; numbers too large to hold come back as kTooBig.
bool ParseNumber(std::string_view s, long& value) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec == std::errc::result_out_of_range || value > kTooBig) value = kTooBig;
    return true;
}

std::string Quoted(std::string_view s) {
    std::string q(1, '"');
    q.append(s);
    q += '"';
    return q;
}

// One chip of a 16-wide palette, numbered row by row.
uint16_t Chip(int n) { return static_cast<uint16_t>((n / 16) << 8 | (n % 16)); }

// "0,8,16", "4-28/8", "all": the columns, or an error.
bool ParseColumns(std::string_view text, std::vector<int>& columns, std::string& why) {
    if (text == "all") text = "0-31";
    std::stringstream in{std::string(text)};
    for (std::string item; std::getline(in, item, ',');) {
        std::string_view s = item;
        long from = 0, to = 0, step = 1;
        size_t slash = s.find('/');
        if (slash != std::string_view::npos) {
            if (!ParseNumber(s.substr(slash + 1), step) || step < 1) {
                why = "bad column step in " + Quoted(item);
                return false;
            }
            s = s.substr(0, slash);
        }
        size_t dash = s.find('-');
        bool ok = dash == std::string_view::npos
                      ? ParseNumber(s, from) && ParseNumber(s, to)
                      : ParseNumber(s.substr(0, dash), from) && ParseNumber(s.substr(dash + 1), to);
        if (!ok || from > to) {
            why = "bad columns " + Quoted(item) + " (write 5, 0,8,16, 4-28/8 or all)";
            return false;
        }
        if (to >= kMapColumns) {
            why = "column " + std::to_string(to) + " is past the map's 32 columns (0..31)";
            return false;
        }
        for (long c = from; c <= to; c += step) columns.push_back(static_cast<int>(c));
    }
    if (columns.empty()) {
        why = "no columns";
        return false;
    }
    return true;
}

struct Wave {
    int row = 0, kind = 0, lane = 1, hold = 5, dwell = 0;
    std::vector<int> columns;
};

// One source line (without its comment) into a wave. `row` is the previous wave's row on entry.
bool ParseWave(const std::string& line, int mapNumber, int previousRow, Wave& w, std::string& why) {
    std::istringstream in(line);
    std::string rowText, kindText, columnText;
    in >> rowText >> kindText >> columnText;
    if (columnText.empty()) {
        why = "expected ROW KIND COLUMNS [lane=N] [hold=N] [dwell=N] [item=NAME]";
        return false;
    }

    long row = 0;
    bool relative = rowText[0] == '+';
    if (!ParseNumber(relative ? std::string_view(rowText).substr(1) : std::string_view(rowText), row)) {
        why = "bad row " + Quoted(rowText) + " (write a row number or +N)";
        return false;
    }
    if (relative) row += previousRow;
    if (row >= kMapMaxRows) {
        why = "row " + (row >= kTooBig ? rowText : std::to_string(row)) + " is past the last map row 639";
        return false;
    }
    if (row == 0) {
        why = "row 0 is passed over when the stage starts; begin at row 1";
        return false;
    }
    w.row = static_cast<int>(row);

    long number = 0;
    w.kind = -1;
    if (ParseNumber(kindText, number)) {
        if (number >= static_cast<long>(kKindNames.size())) {
            why = "kind " + kindText + " is outside 0..19";
            return false;
        }
        w.kind = static_cast<int>(number);
    }
    for (size_t k = 0; k < kKindNames.size() && w.kind < 0; ++k)
        if (kindText == kKindNames[k]) w.kind = static_cast<int>(k);
    if (w.kind < 0) {
        why = "unknown kind " + Quoted(kindText);
        return false;
    }
    if (w.kind >= kFirstBoss && w.kind != 15 + mapNumber) {
        why = std::string(kKindNames[w.kind]) + " has no picture on map " + std::to_string(mapNumber) +
              " (use " + kKindNames[15 + mapNumber] + ")";
        return false;
    }
    if (!ParseColumns(columnText, w.columns, why)) return false;

    const bool carrier = w.kind == kCarrierLeft || w.kind == kCarrierRight;
    bool laneGiven = false, holdGiven = false, dwellGiven = false;
    for (std::string param; in >> param;) {
        size_t eq = param.find('=');
        std::string key = param.substr(0, eq == std::string::npos ? param.size() : eq);
        std::string value = eq == std::string::npos ? "" : param.substr(eq + 1);
        auto number = [&](bool& given, int& field, long high) {
            if (given) {
                why = key + " given twice";
                return false;
            }
            given = true;
            long v = 0;
            if (!ParseNumber(value, v)) {
                why = key + "=" + value + " is not a number (0.." + std::to_string(high) + ")";
                return false;
            }
            if (v > high) {
                why = key + "=" + value + " is outside 0.." + std::to_string(high);
                return false;
            }
            field = static_cast<int>(v);
            return true;
        };
        if (key == "lane") {
            if (!number(laneGiven, w.lane, 15)) return false;
        } else if (key == "hold") {
            if (!number(holdGiven, w.hold, 11)) return false;
        } else if (key == "dwell") {
            if (!number(dwellGiven, w.dwell, 255)) return false;
        } else if (key == "item") {
            if (!carrier) {
                why = "item= is only for carriers";
                return false;
            }
            if (laneGiven) {
                why = "item and lane given together";
                return false;
            }
            laneGiven = true;
            w.lane = -1;
            for (const auto& [name, lane] : kItems)
                if (value == name) w.lane = lane;
            if (w.lane < 0) {
                why = "unknown item " + Quoted(value) + " (option, life, twin, napalm or spread)";
                return false;
            }
        } else {
            why = "unknown parameter " + Quoted(param) + " (lane=, hold=, dwell=, item=)";
            return false;
        }
    }
    if (carrier && !laneGiven) {
        why = "a carrier needs item=NAME (or lane=2..12)";
        return false;
    }
    if (carrier && (w.lane < 2 || w.lane > 12)) {
        why = "carrier lane " + std::to_string(w.lane) + " is outside 2..12";
        return false;
    }
    return true;
}

}  // namespace

bool CompileMap(const std::string& text, const std::string& file, int mapNumber, StageMap& map,
                std::string& error) {
    std::vector<Wave> waves;
    std::vector<int> waveLines;
    std::istringstream in(text);
    int lineNumber = 0, previousRow = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        Wave w;
        std::string why;
        if (!ParseWave(line, mapNumber, previousRow, w, why)) {
            error = file + ":" + std::to_string(lineNumber) + ": " + why;
            return false;
        }
        previousRow = w.row;
        waves.push_back(w);
        waveLines.push_back(lineNumber);
    }
    if (waves.empty()) {
        error = file + ": the map sends no enemies";
        return false;
    }

    map.rows = 0;
    for (const Wave& w : waves) map.rows = std::max(map.rows, w.row + 1);
    for (auto& layer : map.cells) layer.assign(static_cast<size_t>(map.rows) * kMapColumns, 0);
    std::vector<int> owner(map.cells[1].size(), 0);  // the source line of each filled cell
    for (size_t i = 0; i < waves.size(); ++i) {
        const Wave& w = waves[i];
        for (int column : w.columns) {
            size_t cell = static_cast<size_t>(w.row) * kMapColumns + column;
            if (owner[cell]) {
                error = file + ":" + std::to_string(waveLines[i]) + ": row " + std::to_string(w.row) +
                        " column " + std::to_string(column) + " is already taken by line " +
                        std::to_string(owner[cell]);
                return false;
            }
            owner[cell] = waveLines[i];
            map.cells[1][cell] = Chip(w.kind + 1);
            map.cells[2][cell] = static_cast<uint16_t>(w.hold << 8 | w.lane);
            map.cells[3][cell] = Chip(w.dwell);
        }
    }
    return true;
}

std::vector<uint8_t> EncodeFmf(const StageMap& map) {
    const uint32_t cellsPerLayer = static_cast<uint32_t>(map.rows) * kMapColumns;
    const uint32_t dataBytes = cellsPerLayer * 2 * kMapLayers;
    std::vector<uint8_t> out(20 + static_cast<size_t>(dataBytes));
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    out[0] = 'F', out[1] = 'M', out[2] = 'F', out[3] = '_';
    put32(4, dataBytes);
    put32(8, kMapColumns);
    put32(12, static_cast<uint32_t>(map.rows));
    out[16] = out[17] = 16;  // chip size in pixels, for map editors
    out[18] = kMapLayers;
    out[19] = 16;  // bits per cell
    size_t at = 20;
    for (const auto& layer : map.cells)
        for (uint16_t v : layer) {
            out[at++] = static_cast<uint8_t>(v & 0xFF);
            out[at++] = static_cast<uint8_t>(v >> 8);
        }
    return out;
}

}  // namespace datagen
