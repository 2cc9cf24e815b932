#pragma once
#include <windows.h>

#include <string>

namespace kelvaro::testing {

// A fresh folder on C: for tests on the real disk, removed with all its
// contents when the scope ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return path_; }
    // Creates `relative` (and its parents) below the folder; returns the full path.
    std::wstring MakeDir(const std::wstring& relative) const;
    std::wstring MakeFile(const std::wstring& relative) const;
    // The stored name of the entry, or empty text when it does not exist.
    std::wstring StoredName(const std::wstring& relative) const;
    // The names directly below `relative`, sorted.
    std::wstring Listing(const std::wstring& relative = L"") const;

private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& path);

}  // namespace kelvaro::testing
