#pragma once
#include <string>
#include <vector>

#include "engine/journal.h"
#include "engine/rename_dir.h"

namespace kelvaro {

// Puts right what runs cut short left behind: a folder still under its
// temporary name goes back to its old name when that is free; every other
// case is only reported. Runs whose writer still runs are left alone, and so
// are folders on a drive or share that is not there (until a later start).
// The history says what was found and done, and how far each run cut short
// got (whose names `cutShort` gets when given). Returns the folders looked at.
size_t RecoverInterrupted(IFileSystem& fs,
                          RenameJournal& journal,
                          ILineSink& history,
                          std::vector<std::string>* cutShort = nullptr);

}  // namespace kelvaro
