#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/script_names.h"
#include "engine/folder_tree.h"
#include "ports/file_system.h"

namespace kelvaro {

// A folder named again: handled where it came first.
enum class Repeat : uint8_t {
    No,
    Same,   // the same folder as an earlier name
    Below,  // with /S: a folder in the tree of another name, walked with it
};

// One folder of a script run, or a name that answered nothing.
struct ScriptTarget {
    std::wstring path;                     // the folder's canonical path; empty when nothing answered
    std::wstring missing;                  // the name as a full path, when nothing answered
    bool unlisted = false;                 // the folders below it could not be read
    std::optional<FileIdentity> identity;  // what a walk found under that path: its rename makes sure it still is
    NameFault fault = NameFault::None;     // why nothing answered, before anything was looked up
    Repeat repeat = Repeat::No;
};

// The folders of a script line, handed out one at a time and looked up a
// batch at a time, so that any number of them passes through bounded memory.
// Without /S: the names in the order given. With /S: for each named folder,
// every folder below it (children before parents), then the folder itself;
// a folder named twice, or lying below another named folder, is walked once.
// Each name gets a target of its own: one named again comes with `repeat`.
class ScriptTargets {
public:
    ScriptTargets(IFileSystem& fs, const std::vector<ScriptName>& names, bool subfolders, bool withHidden);
    // The next target; false at the end.
    bool Next(ScriptTarget& target);
    // How many targets there are in all, walking every tree once more for it;
    // `counted` hears of the count now and then, and stops the count with false.
    size_t Count(const std::function<bool(size_t)>& counted = {});
    // After the folder `from` was renamed to `to`: names still to come that lie
    // below it are looked up below `to`. (A walk never hands out such a name.)
    void Renamed(const std::wstring& from, const std::wstring& to);
    // After a stop, instead of the rest: the root of the walk under way (it
    // comes last in its walk) and each name not started yet, without
    // walking or looking up anything more. A name that stood for no folder
    // comes as one that answered nothing.
    void Unreached(const std::function<void(const ScriptTarget&)>& each);

private:
    void Resolve();  // looks up the next batch of names
    std::wstring Followed(std::wstring path) const;
    // With /S: whether `path` was walked already or lies below a named folder.
    Repeat Covered(const std::wstring& path);

    IFileSystem& fs_;
    const std::vector<ScriptName>& names_;
    bool subfolders_, withHidden_;
    size_t name_ = 0, path_ = 0;       // the next name (and path of it) to look up
    std::vector<ScriptTarget> ready_;  // looked up, not yet handed out
    size_t readyNext_ = 0;
    std::unique_ptr<FolderTreeAhead> walk_;  // until it has handed out its root
    std::wstring walkRoot_;
    std::unordered_set<std::wstring> named_;                  // with /S: the folded full paths of every name
    std::unordered_set<std::wstring> walked_;                 // with /S: the folded paths of the folders walked so far
    std::unordered_map<std::wstring, std::wstring> renamed_;  // folded old path -> new path
    std::unordered_set<std::wstring> handedOut_;              // without /S: the paths handed out, and where they went
};

}  // namespace kelvaro
