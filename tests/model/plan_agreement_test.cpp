// The preview's verdict against the real run on real folders (under Wine: a
// temporary folder on C:), in every mode: renamed on disk exactly when the
// plan said "will be renamed", and done exactly when the plan said so.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/run_driver.h"
#include "engine/path_text.h"
#include "engine/rename_plan.h"
#include "fakes/fake_services.h"
#include "fakes/temp_dir.h"
#include "platform/win32_file_system.h"

namespace kelvaro {
namespace {

using testing::FakePrompts;
using testing::TempDir;

class QuietRunView : public IRunView {
public:
    void SetRunning(bool) override {}
    void ShowEntry(size_t) override {}
    void ProcessPendingInput() override {}
    void RefreshFolders() override {}
    void UpdateButtons() override {}
};

// Every state has a folder here in some mode: in form, long names, the
// eight-character form, names Windows refuses, a vanished folder, a sibling
// outside the batch, two of the batch after one name, a name too long for its
// temporary sibling, a folder below a renamed one, one an interrupted rename
// left, one the program keeps for itself, and one Explorer shows under a
// localized name (kLocalized).
const wchar_t* const kTree[] = {
    L"photos", L"DONE", L"My Photos", L"longfoldername", L"ＣＯＮ", L"ＡＢＣ．",       L"ＤＡＴＡ", L"ＡＢＣ",
    L"ABC",    L"work", L"ｐａｒ",    L"ｐａｒ\\ｃｈｉ", L"ｶﾞｲﾄﾞ",  L"left.Tmpぷよむ", L"own"};
const wchar_t* const kOutsiders[] = {L"DATA", L"work.Tmpぷよむ", L"ガイド"};
const wchar_t* const kLocalized = L"Reports";

TEST(PlanAgreement, ThePreviewSaysWhatTheRunDoesFolderByFolder) {
    const std::wstring tooLong = L"Ａ" + std::wstring(249, L'b');
    std::vector<int> seen(kPlanStates, 0);
    int followed = 0;
    for (int16_t mode = 0; mode < 7; ++mode) {
        TempDir dir;
        Win32FileSystem fs;
        fs.SetOwnFolders({dir.Path() + L"\\own"});
        FakePrompts prompts;
        AppState state{prompts};
        std::vector<std::wstring> batch;
        for (const wchar_t* name : kTree) batch.push_back(dir.MakeDir(name));
        batch.push_back(dir.MakeDir(tooLong));
        batch.push_back(dir.MakeDir(kLocalized));
        fs.WriteFileBytes(dir.Path() + L"\\" + kLocalized + L"\\desktop.ini",
                          "[.ShellClassInfo]\r\nLocalizedResourceName=@shell32.dll,-21770\r\n");
        SetFileAttributesW(batch.back().c_str(), FILE_ATTRIBUTE_SYSTEM);
        batch.push_back(dir.Path() + L"\\vanished");
        for (const wchar_t* name : kOutsiders) dir.MakeDir(name);
        for (const auto& path : batch) state.targets.AddLine(path);

        const auto plan = PlanRun(fs, batch, mode, true);
        QuietRunView view;
        RunDriver driver(state, view, [&](const std::wstring& path, int16_t m, ILineSink& history, ILineSink& changed) {
            return RenameFolder({fs, history, changed, true}, path, m);
        });
        driver.Run(mode);

        std::vector<std::wstring> left;
        for (size_t i = 0; i < state.targets.Count(); ++i) left.push_back(state.targets.Text(i));
        for (size_t i = 0; i < plan.size(); ++i) {
            const PlanEntry& entry = plan[i];
            ++seen[static_cast<size_t>(entry.state)];
            const std::wstring label = std::to_wstring(mode) + L" " + LastPathName(entry.path);
            // Renamed: the folder no longer answers to its old spelling and the new one is on disk.
            const std::wstring moved = entry.newPath.empty() ? entry.path : entry.newPath;
            const std::wstring oldRelative =
                moved.substr(dir.Path().size() + 1, moved.rfind(L'\\') - dir.Path().size()) + LastPathName(entry.path);
            const std::wstring newRelative = entry.newPath.empty() ? L"" : entry.newPath.substr(dir.Path().size() + 1);
            const bool stillThere = dir.StoredName(oldRelative) == LastPathName(entry.path);
            const bool movedThere = !newRelative.empty() && dir.StoredName(newRelative) == LastPathName(entry.newPath);
            EXPECT_EQ(!stillThere && movedThere, entry.state == PlanState::Rename) << label;
            if (entry.belowRenamed && entry.state == PlanState::Rename) ++followed;
            // Entries left in the target list are the ones not done (followed ones under their new parent).
            const bool stayed = std::any_of(left.begin(), left.end(), [&](const std::wstring& text) {
                return LastPathName(text) == LastPathName(entry.path);
            });
            EXPECT_EQ(!stayed, PlanDone(entry.state)) << label;
        }
    }
    // Wine makes up a short name for every long name and tells it: only a fake volume keeps none.
    for (size_t s = 0; s < kPlanStates; ++s) {
        const auto state = static_cast<PlanState>(s);
        if (state != PlanState::NoShortName && state != PlanState::FolderNoShortName &&
            state != PlanState::ShortNameUnreadable) {
            EXPECT_GT(seen[s], 0) << "state " << s << " never met";
        }
    }
    EXPECT_GT(followed, 0);
}

}  // namespace
}  // namespace kelvaro
