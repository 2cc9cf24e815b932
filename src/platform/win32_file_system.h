#pragma once
#include <functional>
#include <string>
#include <vector>

#include <mutex>

#include "platform/process_setup.h"
#include "platform/unique_handle.h"
#include "platform/windows_folders.h"
#include "ports/file_system.h"

namespace kelvaro {

// True for a folder entry that only points elsewhere (a junction or a
// symbolic link), given the entry's attributes and reparse tag as listed: a
// walk renames such a folder but never enters it.
bool IsFolderLink(unsigned long attributes, unsigned long reparseTag);

class Win32FileSystem : public IFileSystem {
public:
    // Waits `ms` milliseconds before a folder in use is tried again; false
    // stops waiting and the rename gives up. Sleeps unless told otherwise.
    using RetryPause = std::function<bool(unsigned ms)>;
    void SetRetryPause(RetryPause pause) { pause_ = std::move(pause); }

    MoveResult MoveDir(const std::wstring& from,
                       const std::wstring& to,
                       const std::optional<FileIdentity>& expected = std::nullopt) override;
    // Both renames through one handle: the second renames the folder the
    // first opened, wherever it stands, and costs no second opening.
    ThroughTemp MoveDirThrough(const std::wstring& from,
                               const std::wstring& temp,
                               const std::wstring& to,
                               const std::optional<FileIdentity>& expected = std::nullopt) override;
    // Even after the pause said stop, every pause of the schedule is waited.
    MoveResult MoveDirBack(const std::wstring& from, const std::wstring& to) override;
    MoveResult MoveEntry(const std::wstring& from, const std::wstring& to) override;
    std::wstring ErrorText(uint32_t error) override;
    bool IsFolder(const std::wstring& path) override;
    std::wstring CurrentDir() override;
    bool SetCurrentDir(const std::wstring& path) override;
    std::optional<std::wstring> EntryName(const std::wstring& path) override;
    std::wstring ShortPath(const std::wstring& path) override;
    uint32_t ShortPathError(const std::wstring& path) override;
    // By the volume's file system and, on NTFS, by the system's and the volume's setting.
    bool KeepsShortNames(const std::wstring& path) override;
    std::optional<DiskFreeInfo> DiskFree(const std::wstring& root) override;
    std::wstring TempPath() override;
    // The system's setting, read once.
    bool LongPathsEnabled() override;
    std::vector<std::wstring> SubFolders(const std::wstring& dir) override;
    std::optional<std::vector<ListedEntry>> Entries(const std::wstring& dir) override;
    // The folder is opened first and listed through its handle: what is
    // listed is the folder opened (and the one expected), whatever takes its
    // name meanwhile.
    std::optional<std::vector<TreeEntry>> TreeFolders(const std::wstring& dir,
                                                      const std::optional<FileIdentity>& expected = {}) override;
    bool IsFolderLink(const std::wstring& path) override;
    // Listings keep nothing between calls.
    bool ListsFromAnyThread() const override { return true; }
    std::vector<std::wstring> Drives() override;
    bool IsOrdinaryFile(const std::wstring& path) override;
    bool WriteFileBytes(const std::wstring& path, const std::string& bytes) override;
    std::optional<std::string> ReadFileBytes(const std::wstring& path) override;
    bool AppendFileBytes(const std::wstring& path, const std::string& bytes) override;
    bool StoresNamesAsUtf8() const override { return utf8Names; }
    std::optional<FileIdentity> IdentityOf(const std::wstring& path) override;
    bool TellsCaseApart(const std::wstring& dir) override;
    bool IsOwnFolder(const std::wstring& path) override;
    // The folders IsOwnFolder answers for: each folder given and every folder above it.
    void SetOwnFolders(const std::vector<std::wstring>& folders);
    // The known folders are asked of the shell at the first question, once.
    bool IsWindowsFolder(const std::wstring& path) override;

    // Under Wine the folders lie on a Linux file system (Z: is its root, C: a
    // folder of it), which stores a name as at most 255 UTF-8 bytes.
    bool utf8Names = RunningUnderWine();

    // The pauses between the tries of a rename that meets a folder in use:
    // growing, about two seconds in all.
    static constexpr unsigned kInUsePauses[] = {50, 100, 200, 300, 400, 450, 500};

protected:
    // Where one try of a rename failed: opening the folder or renaming it.
    enum class FailedStep { None, Open, Rename };
    // A folder opened for renaming, kept open from one rename to the next.
    struct HeldFolder {
        UniqueFileHandle handle;
        std::optional<FileIdentity> identity;
        bool readStored = true;  // the next rename tells the name stored
    };
    // One try: renames the folder `held` holds, or else opens the folder
    // `from` itself, makes sure it is one and renames that very object
    // (keeping it in `held` when given); the system's error (0 when done),
    // the step that failed, and in `result` what was opened and the name it
    // has now.
    virtual uint32_t TryRename(const std::wstring& from,
                               const std::wstring& to,
                               const std::optional<FileIdentity>& expected,
                               MoveResult& result,
                               FailedStep& failed,
                               HeldFolder* held);

private:
    MoveResult Move(const std::wstring& from,
                    const std::wstring& to,
                    const std::optional<FileIdentity>& expected,
                    bool stoppable,
                    HeldFolder* held = nullptr);
    RetryPause pause_;
    FolderSet own_;
    FolderSet windows_;
    std::once_flag windowsRead_;
};

}  // namespace kelvaro
