#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fakes/segmented_bytes.h"
#include "ports/file_system.h"
#include "ports/journal_store.h"

namespace kelvaro::sim {

// What the simulation does to the program at a given step of an operation.
struct Fault {
    enum Kind : uint8_t {
        None,
        Kill,           // the process dies: nothing it does from that step on reaches the disk
        PowerCut,       // the same, and what was not flushed may be lost
        JournalFull,    // from that step on, no record fits on the disk
        ReadOnly,       // from that step on, the journal cannot be written
        InUse,          // a folder refuses to be renamed, as one holding an open file does
        BecomesFile,    // at that step a named folder is swapped for a file of its name
        BecomesLink,    // at that step a folder is swapped for a link to a folder outside the run
        RivalTurn,      // a rival copy holds the journal's turn for `arg` ms, writing a run of its own
        DamageJournal,  // before the operation, one byte of the journal changes
        DamageIndex,    // before the operation, one byte of the journal's index changes
        Stop,           // at that step the user presses Cancel or Ctrl+C
        StoredOtherwise,  // from that step on, a rename out of a temporary name stores the name in upper case
    } kind = None;
    uint32_t step = 0;  // the step it strikes at (for the step faults)
    uint64_t arg = 0;   // a random number for the fault's own choices
};
const char* FaultName(Fault::Kind kind);

enum class NodeKind : uint8_t { Folder, File, Link };

struct Node {
    uint64_t id = 0, parent = 0;
    std::wstring name;
    NodeKind kind = NodeKind::Folder;
    bool hidden = false;
    uint64_t target = 0;  // a link: the folder it leads to
    std::string bytes;    // a file: its content
};

// The disk and the journal of one simulated machine, shared by every copy of
// the program that runs on it. Every call of the program into either counts
// as a step; the fault of the running operation strikes at its step.
class SimWorld {
public:
    SimWorld();

    // --- the tree, as the simulation sees it (no step counted) ---
    std::map<uint64_t, Node> nodes;
    uint64_t Add(uint64_t parent, const std::wstring& name, NodeKind kind = NodeKind::Folder);
    std::wstring PathOf(uint64_t id) const;
    // The node a path names, as the system would resolve it (links followed
    // in every part but the last); 0 when none.
    uint64_t Resolve(const std::wstring& path) const;
    std::vector<uint64_t> Children(uint64_t id) const;
    uint64_t Lookup(uint64_t parent, const std::wstring& name) const;  // exact spelling first, then any case
    static constexpr uint64_t kRoot = 1;

    // --- the journal ---
    std::string journal;                          // the bytes of the file as the system sees them
    size_t durable = 0;                           // how many of them outlast a power cut
    std::string index;                            // the file beside the journal
    uint64_t journalFile = 1;                     // changes when the first segment is deleted
    testing::SegmentStarts segments{{1, 0}};  // where each segment begins in `journal`
    uint32_t turnHolder = 0;                      // the process holding the turn; 0 when free
    std::set<uint32_t> alive;                     // running processes
    uint64_t clock = 133'800'000'000'000'000ull;  // a FILETIME in 2025
    uint32_t writesWithoutTurn = 0;               // records written by a copy not holding the turn

    // --- the running operation ---
    uint32_t process = 0;  // the copy now calling
    Fault fault;
    uint32_t steps = 0;
    bool dead = false;  // the process was killed or the power went: nothing more reaches the disk
    bool struck = false;
    std::mt19937_64 random{1};
    // Called at the step of a BecomesFile, BecomesLink or Stop fault.
    std::function<void()> swap;
    // Or, for a swap, just before the program names this path for the n-th time.
    std::wstring swapPath;
    uint32_t swapTouches = 0;
    std::function<void()> rivalEnds;  // when the rival's hold runs out
    struct Interleaving;
    Interleaving* interleaving = nullptr;
    uint64_t rivalUntil = 0;

    // Two copies of the program at once, interleaved step by step: at each
    // step of either, a draw from `seed` says which of them goes on. The
    // first runs on the calling thread; both are done on return.
    void Interleave(const std::function<void()>& first, const std::function<void()>& second, uint64_t seed);
    // Which of two interleaved copies is calling: 0 outside Interleave.
    static int Copy();
    // The copies that wrote a run record, in the order they wrote them.
    std::vector<int> runsBegun;
    uint32_t handovers = 0;  // how often the other copy went on

    // A step of the program; false once it is dead.
    bool Step();
    bool Step(const std::wstring& path);  // a step that names `path`
    void AdvanceClock(uint64_t ms);
    // Makes what the journal holds outlast a power cut, and every rename before it.
    void Flushed();
    void PowerCut();
    // Renames done since the last flush, oldest first: a power cut may undo the newest of them.
    struct Move {
        uint64_t id;
        std::wstring from;
    };
    std::vector<Move> unflushedMoves;
    // Folders that refuse to be renamed (in use), by id, and how many more tries each refuses.
    std::map<uint64_t, int> inUse;
    // The folders the program needs itself, as the program tells its file system at start.
    std::set<uint64_t> own;
};

// The file system of a SimWorld, as Wine on Linux shows it: names looked up
// with any case when the exact spelling is not there, a rename that renames
// what the path names at the moment of the rename, links followed in every
// part of a path but the last.
class SimFileSystem final : public IFileSystem {
public:
    explicit SimFileSystem(SimWorld& world) : w_(world) {}
    MoveResult MoveDir(const std::wstring& from,
                       const std::wstring& to,
                       const std::optional<FileIdentity>& expected = std::nullopt) override;
    MoveResult MoveEntry(const std::wstring& from, const std::wstring& to) override;
    std::wstring ErrorText(uint32_t error) override { return L"error " + std::to_wstring(error); }
    bool IsFolder(const std::wstring& path) override;
    std::wstring CurrentDir() override { return current_; }
    bool SetCurrentDir(const std::wstring& path) override;
    std::optional<std::wstring> EntryName(const std::wstring& path) override;
    std::wstring ShortPath(const std::wstring& path) override;
    std::optional<DiskFreeInfo> DiskFree(const std::wstring&) override { return DiskFreeInfo{8, 512, 1000, 2000, 0}; }
    std::wstring TempPath() override { return L"C:\\TEMP\\"; }
    std::vector<std::wstring> SubFolders(const std::wstring& dir) override;
    std::optional<std::vector<ListedEntry>> Entries(const std::wstring& dir) override;
    std::optional<std::vector<TreeEntry>> TreeFolders(const std::wstring& dir,
                                                      const std::optional<FileIdentity>& expected = {}) override;
    bool IsFolderLink(const std::wstring& path) override;
    bool LongPathsEnabled() override { return false; }
    std::vector<std::wstring> Drives() override { return {L"C:\\"}; }
    bool IsOrdinaryFile(const std::wstring& path) override;
    bool WriteFileBytes(const std::wstring& path, const std::string& bytes) override;
    bool AppendFileBytes(const std::wstring& path, const std::string& bytes) override;
    std::optional<std::string> ReadFileBytes(const std::wstring& path) override;
    bool StoresNamesAsUtf8() const override { return true; }
    bool TellsCaseApart(const std::wstring&) override { return true; }
    std::optional<FileIdentity> IdentityOf(const std::wstring& path) override;
    bool IsOwnFolder(const std::wstring& path) override;

private:
    uint64_t Listable(const std::wstring& dir);
    // What a handle opened on the node is: where a link leads, as under Wine.
    uint64_t Opened(uint64_t node) const;
    SimWorld& w_;
    std::wstring current_ = L"C:\\";
};

// The journal of a SimWorld, as one copy of the program (`process`) sees it.
class SimJournalStore final : public IJournalStore {
public:
    SimJournalStore(SimWorld& world, uint32_t process) : w_(world), process_(process) {}
    ~SimJournalStore() override { CloseAppend(); }
    bool ReadFrom(uint64_t from, const std::function<void(std::string_view)>& piece) override;
    std::optional<std::string> ReadAt(uint64_t at, size_t size) override;
    std::optional<std::vector<JournalSegment>> Segments() override;
    std::optional<uint64_t> FileId() override;
    uint32_t StartSegment() override;
    bool DeleteSegment(uint32_t number) override;
    std::string ReadIndex() override;
    void WriteIndex(std::string_view bytes) override;
    TurnTry TryOpenForAppend() override;
    void Sleep(unsigned ms) override { w_.AdvanceClock(ms); }
    bool Append(const std::string& bytes) override;
    bool Flush() override;
    void CloseAppend() override;
    ProcessStamp Self() override { return {process_, process_}; }
    bool IsAlive(const ProcessStamp& writer) override { return w_.alive.count(writer.pid) != 0; }
    uint64_t Now() override;

private:
    bool Writable();
    SimWorld& w_;
    uint32_t process_;
    bool open_ = false;
};

// True for a name the system takes for a device (CON, NUL, COM1, LPT1.TXT...).
bool IsDeviceName(const std::wstring& name);
// True for a name under the program's temporary suffix.
bool EndsWithTemp(const std::wstring& name);
// Names compared as the file system compares them: case ignored.
bool SameNameAnyCase(const std::wstring& a, const std::wstring& b);

}  // namespace kelvaro::sim
