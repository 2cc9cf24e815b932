#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "engine/catalog.h"
#include "ports/file_system.h"

namespace kelvaro {

// The conversion modes, numbered as the settings, the journal and /MODE: know them.
enum class Mode : int16_t { Upper, UpperExceptLong, Lower, ShortName, Eight, FullWidth, HalfWidth, Standard };

// What a mode asks of a folder beyond its conversion.
enum class ModeRule : uint8_t {
    None,
    KeepLong,   // a name that converts to a long one is left alone
    NeedEight,  // a name with no eight-character form is left alone
    ShortName,  // the new name is the one the volume keeps: read from the disk, never told from the name
};

// One row per mode: everything that differs between two modes.
struct ModeRow {
    Mode mode;
    const wchar_t* name;       // on the command line (/MODE:upper), any case
    KText caption, hint;       // its button
    KText option, optionHint;  // its choice among the automatic run's modes
    // The new path from the path alone (`hiraganaToKatakana`: half-width takes hiragana to katakana too); null for
    // ShortName.
    std::wstring (*convert)(const std::wstring& path, bool hiraganaToKatakana);
    ModeRule rule;
};

// The modes in the order of their numbers.
std::span<const ModeRow> Modes();
int ModeCount();
// What the command ids and the settings leave room for.
inline constexpr int kMostModes = 16;

// A mode after the program's own, for as long as it lives: a test shows with
// it that a new mode is a row and a conversion, and nothing else.
class ExtraMode {
public:
    explicit ExtraMode(const ModeRow& row);
    ~ExtraMode();
    ExtraMode(const ExtraMode&) = delete;
    ExtraMode& operator=(const ExtraMode&) = delete;
};

// The row of mode number `mode` (0 to ModeCount() - 1).
const ModeRow& ModeOf(int mode);
// The rule of mode number `mode`; None for a number that is no mode.
ModeRule RuleOf(int mode);

// The mode a /MODE: value names: its number (leading zeros allowed) or its
// name in any case; -1 for anything else.
int ModeOfName(const std::wstring& value);

// The texts of mode `mode`: its button's caption and hint, and the caption
// and hint of its choice among the automatic run's modes.
std::wstring ModeCaption(int mode);
std::wstring ModeHint(int mode);
std::wstring ModeOptionCaption(int mode);
std::wstring ModeOptionHint(int mode);

}  // namespace kelvaro
