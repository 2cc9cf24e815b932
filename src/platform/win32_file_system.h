#pragma once
#include "engine/file_system.h"
#include "platform/process_setup.h"

namespace kelvaro {

class Win32FileSystem : public IFileSystem {
public:
    bool MoveDir(const std::wstring& from, const std::wstring& to) override;
    bool IsFolder(const std::wstring& path) override;
    std::wstring CurrentDir() override;
    bool SetCurrentDir(const std::wstring& path) override;
    std::optional<std::wstring> EntryName(const std::wstring& path) override;
    std::wstring ShortPath(const std::wstring& path) override;
    std::optional<DiskFreeInfo> DiskFree(const std::wstring& root) override;
    std::wstring TempPath() override;
    std::vector<std::wstring> SubFolders(const std::wstring& dir) override;
    std::optional<std::vector<ListedEntry>> Entries(const std::wstring& dir) override;
    std::vector<std::wstring> Drives() override;
    bool IsOrdinaryFile(const std::wstring& path) override;
    bool WriteFileBytes(const std::wstring& path, const std::string& bytes) override;
    std::optional<std::string> ReadFileBytes(const std::wstring& path) override;
    bool StoresNamesAsUtf8() const override { return utf8Names; }

    // Under Wine the folders lie on a Linux file system (Z: is its root, C: a
    // folder of it), which stores a name as at most 255 UTF-8 bytes.
    bool utf8Names = RunningUnderWine();
};

}  // namespace kelvaro
