#pragma once
#include <cstdint>
#include <string>

#include "engine/rename_dir.h"

namespace kelvaro::testing {

// The tests' short answer of RenameFolder: 0 when the folder ended renamed
// or already in form, 1 when it did not.
inline constexpr int16_t kRenameDone = 0;
inline int16_t RenameDir(const RenameServices& services, const std::wstring& path, int16_t mode) {
    return RenameFolder(services, path, mode).Done() ? kRenameDone : 1;
}

}  // namespace kelvaro::testing
