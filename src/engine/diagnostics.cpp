#include "engine/diagnostics.h"

#include <windows.h>

#include <exception>
#include <stdexcept>

namespace kelvaro {
namespace {

IDiagnostics* g_sink = nullptr;

std::wstring Widened(const char* text) {
    std::wstring wide;
    for (; text && *text; ++text) wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return wide;
}

}  // namespace

void SetDiagnostics(IDiagnostics* sink) {
    g_sink = sink;
}

void RecordUnexpected(const char* place) {
    const DWORD error = GetLastError();
    if (!g_sink) return;
    std::wstring what = L"an exception of no known kind";
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            what = Widened(e.what());
        } catch (...) {
        }
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[32] = {};
    swprintf(stamp, 32, L"%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond);
    try {
        g_sink->Record(std::wstring(stamp) + L"\t" + Widened(place) + L"\t" + what + L"\tlast error " +
                       std::to_wstring(error));
    } catch (...) {
        // Telling a failure must never make another.
    }
}

}  // namespace kelvaro
