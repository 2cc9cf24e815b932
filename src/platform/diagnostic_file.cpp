#include "platform/diagnostic_file.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "engine/journal_record.h"
#include "platform/unique_handle.h"

namespace kelvaro {

void DiagnosticFile::Record(const std::wstring& line) {
    if (path_.empty()) return;
    auto open = [&] {
        return UniqueFileHandle(CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    UniqueFileHandle file = open();
    // Before the first run there may be no folder for it yet.
    if (!file && GetLastError() == ERROR_PATH_NOT_FOUND &&
        CreateDirectoryW(path_.substr(0, path_.find_last_of(L'\\')).c_str(), nullptr))
        file = open();
    if (!file) return;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return;
    const std::string bytes = Utf8Text(line) + "\r\n";
    // Full: the older half goes, from a line's start on.
    if (static_cast<uint64_t>(size.QuadPart) + bytes.size() > most_) {
        const uint64_t keep = std::min<uint64_t>(most_ / 2, size.QuadPart);
        std::vector<char> tail(static_cast<size_t>(keep));
        LARGE_INTEGER from{};
        from.QuadPart = size.QuadPart - static_cast<LONGLONG>(keep);
        DWORD read = 0;
        if (!SetFilePointerEx(file.get(), from, nullptr, FILE_BEGIN) ||
            !ReadFile(file.get(), tail.data(), static_cast<DWORD>(tail.size()), &read, nullptr))
            return;
        tail.resize(read);
        size_t start = 0;
        while (start < tail.size() && tail[start] != '\n') ++start;
        start = start < tail.size() ? start + 1 : tail.size();
        LARGE_INTEGER zero{};
        DWORD written = 0;
        if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get()) ||
            !WriteFile(file.get(), tail.data() + start, static_cast<DWORD>(tail.size() - start), &written, nullptr))
            return;
    }
    LARGE_INTEGER end{};
    DWORD written = 0;
    if (SetFilePointerEx(file.get(), end, nullptr, FILE_END))
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace kelvaro
