// The Win32 file system and journal store on real folders (under Wine: a
// temporary folder on C:), where Windows answers otherwise than a plain
// rename: folders in use or forbidden, Windows' own folders, a journal that
// a virus scanner holds open. Faults Wine cannot make come through TryRename.
#include "platform/win32_file_system.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <utility>

#include "engine/path_text.h"
#include "engine/rename_dir.h"
#include "fakes/sinks.h"
#include "fakes/temp_dir.h"
#include "platform/unique_handle.h"
#include "platform/win32_journal_store.h"
#include "fakes/rename.h"

namespace kelvaro {
namespace {

using testing::kRenameDone;
using testing::RecordingSink;
using testing::RenameDir;
using testing::TempDir;
using Lines = std::vector<std::wstring>;

// Refuses the tries it is told to, as Windows refuses what Wine lets through.
class RefusingFileSystem : public Win32FileSystem {
public:
    using Win32FileSystem::FailedStep;
    // The error and the step it comes from for a try of from -> to; 0 lets the try be made.
    std::function<std::pair<uint32_t, FailedStep>(const std::wstring& from, const std::wstring& to)> refuse;
    Lines tries;  // "from > to", last names only

protected:
    uint32_t TryRename(const std::wstring& from,
                       const std::wstring& to,
                       const std::optional<FileIdentity>& expected,
                       MoveResult& result,
                       FailedStep& failed,
                       HeldFolder* held) override {
        tries.push_back(LastPathName(from) + L" > " + LastPathName(to));
        if (refuse)
            if (const auto [error, step] = refuse(from, to); error != 0) {
                failed = step;
                return error;
            }
        return Win32FileSystem::TryRename(from, to, expected, result, failed, held);
    }
};

// Opening a folder its permissions forbid fails at once; a sharing violation,
// and an access denial from the rename itself (a file open below the folder),
// are waited out.
TEST(Win32Rename, AForbiddenFolderFailsAtOnceOneInUseIsTriedAgain) {
    TempDir dir;
    const std::wstring path = dir.MakeDir(L"folder");
    RefusingFileSystem fs;
    size_t pauses = 0;
    fs.SetRetryPause([&](unsigned) { return ++pauses > 0; });
    using Step = RefusingFileSystem::FailedStep;
    const struct {
        uint32_t error;
        Step step;
        size_t tries;
    } cases[] = {{ERROR_ACCESS_DENIED, Step::Open, 1},
                 {ERROR_SHARING_VIOLATION, Step::Open, 8},
                 {ERROR_ACCESS_DENIED, Step::Rename, 8}};
    for (const auto& c : cases) {
        fs.refuse = [&](const std::wstring&, const std::wstring&) { return std::pair{c.error, c.step}; };
        fs.tries.clear();
        pauses = 0;
        EXPECT_EQ(fs.MoveDir(path, dir.Path() + L"\\other").error, c.error);
        EXPECT_EQ(fs.tries.size(), c.tries) << c.error;
        EXPECT_EQ(pauses, c.tries - 1) << c.error;
    }
    // Stopped during the wait (Cancel, Ctrl+C): the rename gives up with the error it met.
    fs.refuse = [](const std::wstring&, const std::wstring&) {
        return std::pair{static_cast<uint32_t>(ERROR_SHARING_VIOLATION), Step::Open};
    };
    fs.SetRetryPause([](unsigned) { return false; });
    EXPECT_EQ(fs.MoveDir(path, dir.Path() + L"\\other").error, static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
    RecordingSink history, changed;
    fs.refuse = [](const std::wstring&, const std::wstring&) { return std::pair{5u, Step::Open}; };
    EXPECT_EQ(RenameDir({fs, history, changed, true}, path, 0), 1);
    EXPECT_EQ(history.lines.back(), L"\u3000" + fs.ErrorText(ERROR_ACCESS_DENIED));
    EXPECT_EQ(dir.Listing(), L"folder");
}

// Cancel during the wait for a folder in use stops the run, but the folder
// still goes back to its old name, however long that takes within the schedule.
// A rename tells the name the file system stored, read through the handle
// that renamed the folder (the name the folder's listing shows, even where a
// change of case alone is not made): the run checks it without a look-up.
TEST(Win32Rename, ARenameTellsTheNameTheFileSystemStored) {
    TempDir dir;
    Win32FileSystem fs;
    std::wstring path = dir.MakeDir(L"photos");
    for (const std::wstring name : {L"ｐｈｏｔｏｓ", L"写真 2024", L"写真 2024", L"ABC"}) {
        const MoveResult moved = fs.MoveDir(path, dir.Path() + L"\\" + name);
        ASSERT_TRUE(moved) << moved.error;
        const Lines listed = fs.SubFolders(dir.Path());
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(moved.stored, listed[0]);
        path = dir.Path() + L"\\" + listed[0];
    }
    // Both renames through the temporary name, one opening of the folder.
    const auto [first, second] = fs.MoveDirThrough(path, path + kTempSuffix, dir.Path() + L"\\写真");
    ASSERT_TRUE(first && second) << first.error << " " << second.error;
    EXPECT_EQ(first.identity, second.identity);
    EXPECT_EQ(second.stored, L"写真");
    EXPECT_EQ(dir.Listing(), L"写真");
}

TEST(Win32Rename, AfterCancelTheRenameBackStillWaitsForAFolderInUse) {
    TempDir dir;
    const std::wstring path = dir.MakeDir(L"photos");
    RefusingFileSystem fs;
    int backTries = 0;
    using Step = RefusingFileSystem::FailedStep;
    fs.refuse = [&](const std::wstring&, const std::wstring& to) {
        const bool busy = LastPathName(to) == L"PHOTOS" || (to == path && ++backTries <= 3);
        return std::pair{busy ? static_cast<uint32_t>(ERROR_SHARING_VIOLATION) : 0u, Step::Open};
    };
    fs.SetRetryPause([](unsigned) { return false; });  // Cancel was pressed
    RecordingSink history, changed;
    EXPECT_EQ(RenameDir({fs, history, changed, true}, path, 0), 1);
    EXPECT_EQ(dir.Listing(), L"photos");
    const std::wstring temp = L"photos.Tmpぷよむ";
    EXPECT_EQ(fs.tries, (Lines{L"photos > " + temp, temp + L" > PHOTOS", temp + L" > photos", temp + L" > photos",
                               temp + L" > photos", temp + L" > photos"}));
    EXPECT_EQ(history.lines.back(), L"\u3000" + fs.ErrorText(ERROR_SHARING_VIOLATION));
}

std::wstring KnownFolder(const KNOWNFOLDERID& id) {
    wchar_t* path = nullptr;
    std::wstring found;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) found = path;
    CoTaskMemFree(path);
    return found;
}

// Under Wine the profile's Desktop, Documents... lead to the Linux home: the
// known folders that are real folders there stand for the rest.
TEST(Win32WindowsFolders, KnownFoldersAndLocalizedOnesAreWindowsOwn) {
    Win32FileSystem fs;
    const std::wstring profile = KnownFolder(FOLDERID_Profile);
    ASSERT_FALSE(profile.empty());
    for (const wchar_t* name : {L"", L"\\Favorites", L"\\Links", L"\\Contacts", L"\\Saved Games", L"\\Searches",
                                L"\\AppData", L"\\AppData\\Roaming"})
        EXPECT_TRUE(fs.IsWindowsFolder(profile + name)) << profile + name;
    std::wstring upper = profile + L"\\links";
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    EXPECT_TRUE(fs.IsWindowsFolder(upper));
    EXPECT_TRUE(fs.IsWindowsFolder(KnownFolder(FOLDERID_Windows)));
    EXPECT_TRUE(fs.IsWindowsFolder(KnownFolder(FOLDERID_ProgramFiles)));
    EXPECT_FALSE(fs.IsWindowsFolder(profile + L"\\Links\\mine"));

    // A desktop.ini names the folder in Explorer only when the folder is marked read-only or system.
    TempDir dir;
    const std::wstring localized = dir.MakeDir(L"Reports");
    const std::wstring ini = dir.MakeFile(L"Reports\\desktop.ini");
    Win32FileSystem().WriteFileBytes(ini, "[.ShellClassInfo]\r\nLocalizedResourceName=@shell32.dll,-21770\r\n");
    EXPECT_FALSE(fs.IsWindowsFolder(localized));
    ASSERT_TRUE(SetFileAttributesW(localized.c_str(), FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(fs.IsWindowsFolder(localized));
    EXPECT_FALSE(fs.IsWindowsFolder(dir.Path()));
}

// Holds a file open as a virus scanner does, for `ms` (or until the end of its scope).
class Holder {
public:
    Holder(const std::wstring& path, DWORD share, unsigned ms = 0)
        : file_(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {
        if (ms > 0)
            letGo_ = std::thread([this, ms] {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                file_.reset();
            });
    }
    ~Holder() {
        if (letGo_.joinable()) letGo_.join();
    }
    bool Holds() const { return static_cast<bool>(file_); }

private:
    UniqueFileHandle file_;
    std::thread letGo_;
};

// The journal goes on in files of its own, read as one: a new segment keeps
// the bytes so far beside the journal, a deleted one leaves the others as
// they are, and a reader that has it open reads on.
TEST(Win32Journal, SegmentsReadAsOneAndGoOneAtATime) {
    TempDir dir;
    const std::wstring path = dir.Path() + L"\\journal.txt";
    Win32FileSystem files;
    ASSERT_TRUE(files.WriteFileBytes(path, "old\n"));  // an earlier version's journal
    ASSERT_TRUE(files.WriteFileBytes(path + L".index", "old index"));
    Win32JournalStore store(path);
    ASSERT_EQ(store.TryOpenForAppend(), TurnTry::Taken);
    EXPECT_EQ(store.StartSegment(), 2u);
    ASSERT_TRUE(store.Append("two\n"));
    EXPECT_EQ(store.StartSegment(), 3u);
    EXPECT_EQ(store.StartSegment(), 3u);  // still empty
    ASSERT_TRUE(store.Append("three\n"));
    EXPECT_EQ(store.ReadAll(), "old\ntwo\nthree\n");
    EXPECT_EQ(store.ReadAt(2, 5), "d\ntwo");
    EXPECT_EQ(dir.Listing(), L"journal.txt|journal.txt.1|journal.txt.2|journal.txt.index|journal.txt.lock");
    {
        const Holder held(path + L".1", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        ASSERT_TRUE(held.Holds());
        EXPECT_TRUE(store.DeleteSegment(1));
    }
    EXPECT_EQ(store.ReadAll(), "two\nthree\n");
    EXPECT_EQ(store.Size(), 10u);
    {
        const Holder held(path + L".index", 0, 300);
        ASSERT_TRUE(held.Holds());
        store.WriteIndex("new index");
    }
    EXPECT_EQ(store.ReadIndex(), "new index");
    // Held without leave to delete it: the segment stays, whole.
    {
        const Holder held(path + L".2", FILE_SHARE_READ);
        ASSERT_TRUE(store.StartSegment() == 4u && store.Append("four\n"));
        EXPECT_FALSE(store.DeleteSegment(2));
    }
    EXPECT_EQ(store.ReadAll(), "two\nthree\nfour\n");
    store.CloseAppend();
}

}  // namespace
}  // namespace kelvaro
