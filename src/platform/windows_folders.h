#pragma once
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "ports/file_system.h"

namespace kelvaro {

// Folders given by path, each with every folder above it up to its drive
// root, recognised under another spelling as well (a drive letter given to a
// folder, a link above it) by what it is. Names compare case-insensitively.
class FolderSet {
public:
    using IdentityOf = std::function<std::optional<FileIdentity>(const std::wstring& path)>;

    void Assign(const std::vector<std::wstring>& folders, const IdentityOf& identityOf);
    bool Contains(const std::wstring& path, const IdentityOf& identityOf) const;

private:
    std::unordered_set<std::wstring> paths_;  // folded
    std::unordered_set<std::wstring> names_;  // their folded last names
    std::vector<FileIdentity> identities_;    // what they are, whatever names them
};

// The folders the shell knows by name for this user: the profile, the
// Desktop, Documents, Pictures, Downloads..., the Windows and Program Files
// folders, OneDrive, and every other known folder with a path; and the
// temporary folder (TEMP).
std::vector<std::wstring> KnownFolderPaths();

// True when `folder` is the root of a cloud sync root (OneDrive and other
// providers of Windows' cloud files API, Windows 10 1709 and later); the
// folder's identity, asked only where that API exists, tells the root from a
// folder below it.
bool IsSyncRoot(const std::wstring& folder, const FolderSet::IdentityOf& identityOf);

// True when Explorer shows `folder` under another name than its own: a
// desktop.ini with a LocalizedResourceName, which Explorer reads only in a
// folder marked read-only or system.
bool HasLocalizedName(const std::wstring& folder);

}  // namespace kelvaro
