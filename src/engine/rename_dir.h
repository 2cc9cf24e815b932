#pragma once
#include <cstdint>
#include <string>

#include "engine/file_system.h"

namespace kelvaro {

// Receives one line or path at a time: the history and the changed-folder list.
class ILineSink {
public:
    virtual ~ILineSink() = default;
    virtual void ListInAdd(const std::wstring& text) = 0;
};

struct RenameServices {
    IFileSystem& fs;
    ILineSink& history;
    ILineSink& changed;
    bool hira;  // half-width conversion turns hiragana into katakana too
};

inline constexpr int16_t kRenameDone = 0;
inline constexpr int16_t kRenameNotDone = 1;

// Appended to a folder's path to make the sibling it passes through.
inline constexpr const wchar_t* kTempSuffix = L".Tmp\u3077\u3088\u3080";

// The folder's new path under `mode` (0-6), or empty text when none exists.
std::wstring ConvertDirName(IFileSystem& fs, const std::wstring& path, int16_t mode, bool hira);

// Renames one folder by `mode` through its temporary sibling, writes the
// outcome to the history and lists done folders. Returns kRenameDone or
// kRenameNotDone. The folder always ends under its old, new or temporary
// name, and the history says which.
int16_t RenameDir(const RenameServices& services, const std::wstring& path, int16_t mode);

}  // namespace kelvaro
