#include "settings/value_text.h"

#include <cmath>
#include <cwchar>
#include <cwctype>

namespace kelvaro {
namespace {

std::wstring Trimmed(const std::wstring& text) {
    const auto first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    const auto last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}

bool EqualsIgnoringCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return i == a.size() && b[i] == 0;
}

}  // namespace

std::optional<double> ParseNumber(const std::wstring& text) {
    const std::wstring t = Trimmed(text);
    if (t.empty() || t.find_first_not_of(L"0123456789+-.eE") != std::wstring::npos) return std::nullopt;
    wchar_t* end = nullptr;
    const double value = std::wcstod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int16_t> ParseInteger(const std::wstring& text) {
    const auto number = ParseNumber(text);
    if (!number) return std::nullopt;
    const double rounded = std::nearbyint(*number);
    if (rounded < -32768.0 || rounded > 32767.0) return std::nullopt;
    return static_cast<int16_t>(rounded);
}

std::optional<bool> ParseFlag(const std::wstring& text) {
    const std::wstring t = Trimmed(text);
    if (EqualsIgnoringCase(t, L"true")) return true;
    if (EqualsIgnoringCase(t, L"false")) return false;
    if (const auto number = ParseNumber(t)) return *number != 0.0;
    return std::nullopt;
}

std::wstring FlagText(bool value) {
    return value ? L"True" : L"False";
}

std::wstring IntegerText(int value) {
    return std::to_wstring(value);
}

std::wstring CoordinateText(double value) {
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%.7g", static_cast<double>(static_cast<float>(value)));
    return buffer;
}

}  // namespace kelvaro
