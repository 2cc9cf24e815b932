#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace kelvaro {

// The folders a run walks, top to bottom: the window's target list, or a
// batch of the names a script was given.
class IFolderQueue {
public:
    virtual ~IFolderQueue() = default;
    virtual size_t Count() const = 0;
    virtual const std::wstring& Text(size_t index) const = 0;
    // After the folder `from` was renamed to `to`: the entries from `first` on
    // that lie below it are rewritten to their place below `to`.
    virtual void FollowRenamed(size_t first, const std::wstring& from, const std::wstring& to, bool exactCase) = 0;
};

// Folders in the order given, of any number.
class FolderBatch final : public IFolderQueue {
public:
    size_t Count() const override { return paths.size(); }
    const std::wstring& Text(size_t index) const override { return paths[index]; }
    void FollowRenamed(size_t first, const std::wstring& from, const std::wstring& to, bool exactCase) override;
    std::vector<std::wstring> paths;
};

}  // namespace kelvaro
