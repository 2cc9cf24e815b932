#include "sim/sim_disk.h"

#include <windows.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>

#include "engine/folder_rules.h"

namespace kelvaro::sim {

const char* FaultName(Fault::Kind kind) {
    static const char* const names[] = {"none",       "kill",           "power-cut",    "journal-full",
                                        "read-only",  "in-use",         "becomes-file", "becomes-link",
                                        "rival-turn", "damage-journal", "damage-index", "stop",
                                        "stored-otherwise"};
    return names[kind];
}

bool EndsWithTemp(const std::wstring& name) {
    const std::wstring_view suffix = kTempSuffix;
    return name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool SameNameAnyCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool IsDeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL"})
        if (SameNameAnyCase(base, device)) return true;
    return base.size() == 4 &&
           (SameNameAnyCase(base.substr(0, 3), L"COM") || SameNameAnyCase(base.substr(0, 3), L"LPT")) &&
           base[3] >= L'1' && base[3] <= L'9';
}

namespace {

// A name as Linux stores it: at most 255 UTF-8 bytes, the rest cut off.
std::wstring StoredName(const std::wstring& name) {
    size_t bytes = 0, keep = 0;
    for (; keep < name.size(); ++keep) {
        const wchar_t c = name[keep];
        const size_t size = c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (bytes + size > 255) break;
        bytes += size;
    }
    return name.substr(0, keep);
}

std::vector<std::wstring> Parts(const std::wstring& path) {
    std::vector<std::wstring> parts;
    if (path.size() < 2 || path[1] != L':' || !SameNameAnyCase(path.substr(0, 1), L"C")) return {L"\\\\bad"};
    for (size_t start = 3; start < path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    if (path.size() > 3 && path.back() == L'\\') parts.emplace_back();  // names what a link there leads to
    return parts;
}

}  // namespace

SimWorld::SimWorld() {
    nodes[kRoot] = Node{kRoot, 0, L"C:", NodeKind::Folder};
}

uint64_t SimWorld::Add(uint64_t parent, const std::wstring& name, NodeKind kind) {
    const uint64_t id = nodes.rbegin()->first + 1;
    nodes[id] = Node{id, parent, name, kind};
    return id;
}

std::wstring SimWorld::PathOf(uint64_t id) const {
    if (id == kRoot) return L"C:\\";
    std::wstring path;
    for (uint64_t at = id; at != kRoot && at != 0; at = nodes.at(at).parent) path = L"\\" + nodes.at(at).name + path;
    return L"C:" + path;
}

std::vector<uint64_t> SimWorld::Children(uint64_t id) const {
    std::vector<uint64_t> children;
    for (const auto& [child, node] : nodes)
        if (node.parent == id && child != kRoot) children.push_back(child);
    std::sort(children.begin(), children.end(), [&](uint64_t a, uint64_t b) {
        const std::wstring &x = nodes.at(a).name, &y = nodes.at(b).name;
        const int order =
            CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()), TRUE);
        return order == CSTR_LESS_THAN || (order == CSTR_EQUAL && x < y);
    });
    return children;
}

uint64_t SimWorld::Lookup(uint64_t parent, const std::wstring& name) const {
    uint64_t anyCase = 0;
    for (const auto& [id, node] : nodes) {
        if (node.parent != parent || id == kRoot) continue;
        if (node.name == name) return id;
        if (!anyCase && SameNameAnyCase(node.name, name)) anyCase = id;
    }
    return anyCase;
}

uint64_t SimWorld::Resolve(const std::wstring& path) const {
    uint64_t at = kRoot;
    const std::vector<std::wstring> parts = Parts(path);
    for (size_t i = 0; i < parts.size(); ++i) {
        if (parts[i] == L"\\\\bad" || parts[i].empty()) {
            if (!parts[i].empty() || i + 1 != parts.size()) return 0;
            // A trailing backslash names what a link leads to.
            while (nodes.at(at).kind == NodeKind::Link) at = nodes.at(at).target;
            return at;
        }
        // A folder on the way may be a link: the system goes where it leads.
        while (nodes.at(at).kind == NodeKind::Link) at = nodes.at(at).target;
        if (nodes.at(at).kind != NodeKind::Folder) return 0;
        at = Lookup(at, parts[i]);
        if (!at) return 0;
    }
    return at;
}

struct SimWorld::Interleaving {
    std::mutex m;
    std::condition_variable cv;
    int turn = 0;  // the copy that may go on
    bool done[2] = {false, false};
    std::mt19937_64 draw;
};

namespace {
thread_local int tCopy = 0;
}

int SimWorld::Copy() {
    return tCopy;
}

void SimWorld::Interleave(const std::function<void()>& first, const std::function<void()>& second, uint64_t seed) {
    Interleaving il;
    il.draw.seed(seed);
    interleaving = &il;
    std::exception_ptr failed[2];
    auto body = [&](int copy, const std::function<void()>& work) {
        tCopy = copy;
        {
            std::unique_lock lock(il.m);
            il.cv.wait(lock, [&] { return il.turn == copy; });
        }
        try {
            work();
        } catch (...) {
            failed[copy] = std::current_exception();
        }
        std::lock_guard lock(il.m);
        il.done[copy] = true;
        il.turn = 1 - copy;
        il.cv.notify_all();
    };
    std::thread other(body, 1, std::cref(second));
    body(0, first);
    other.join();
    tCopy = 0;
    interleaving = nullptr;
    for (const auto& e : failed)
        if (e) std::rethrow_exception(e);
}

bool SimWorld::Step() {
    if (interleaving) {
        // Now and then the other copy goes on, and this one waits inside its step.
        Interleaving& il = *interleaving;
        std::unique_lock lock(il.m);
        if (!il.done[1 - tCopy] && il.draw() % 8 == 0) {
            il.turn = 1 - tCopy;
            ++handovers;
            il.cv.notify_all();
        }
        il.cv.wait(lock, [&] { return il.turn == tCopy; });
    }
    if (dead) return false;
    ++steps;
    AdvanceClock(1);
    if (struck || fault.step == 0 || steps < fault.step) return true;
    switch (fault.kind) {
        case Fault::Kill:
        case Fault::PowerCut:
        case Fault::JournalFull:
        case Fault::ReadOnly:
            struck = true;
            if (fault.kind == Fault::PowerCut) PowerCut();
            dead = fault.kind == Fault::Kill || fault.kind == Fault::PowerCut;
            return !dead;
        case Fault::BecomesFile:
        case Fault::BecomesLink:
        case Fault::Stop:
        case Fault::StoredOtherwise:
            struck = true;
            if (swap) swap();
            return true;
        default:
            return true;
    }
}

bool SimWorld::Step(const std::wstring& path) {
    if (!Step()) return false;
    if (!struck && swapTouches && SameNameAnyCase(path, swapPath) && --swapTouches == 0) {
        struck = true;
        if (swap) swap();
    }
    return true;
}

void SimWorld::AdvanceClock(uint64_t ms) {
    clock += ms * 10000;
    if (rivalEnds && clock >= rivalUntil) std::exchange(rivalEnds, nullptr)();
}

void SimWorld::Flushed() {
    durable = journal.size();
    unflushedMoves.clear();
}

void SimWorld::PowerCut() {
    // What was written since the last flush may be partly there; the renames
    // since then persist up to some point, in the order they were made.
    journal.resize(durable + random() % (journal.size() - durable + 1));
    while (segments.size() > 1 && segments.back().start > journal.size()) segments.pop_back();
    for (size_t keep = random() % (unflushedMoves.size() + 1); unflushedMoves.size() > keep;) {
        nodes.at(unflushedMoves.back().id).name = unflushedMoves.back().from;
        unflushedMoves.pop_back();
    }
    if (!index.empty() && random() % 2) index[random() % index.size()] ^= 0x20;
}

// ---------------------------------------------------------------- file system

uint64_t SimFileSystem::Opened(uint64_t node) const {
    while (node && w_.nodes.at(node).kind == NodeKind::Link) node = w_.nodes.at(node).target;
    return node;
}

MoveResult SimFileSystem::MoveDir(const std::wstring& from,
                                  const std::wstring& to,
                                  const std::optional<FileIdentity>& expected) {
    if (!w_.Step(from)) return {ERROR_ACCESS_DENIED, std::nullopt};
    if (IsDeviceName(from.substr(from.rfind(L'\\') + 1)) || IsDeviceName(to.substr(to.rfind(L'\\') + 1)))
        return {ERROR_INVALID_NAME, std::nullopt};
    // The program opens the folder first, to be sure it renames a folder...
    const uint64_t opened = w_.Resolve(from);
    if (!opened) return {ERROR_FILE_NOT_FOUND, std::nullopt};
    // As the program's rename does: what was opened is compared first, then whether it is a folder.
    if (expected && expected->file != Opened(opened)) return {kNotTheListedFolder, FileIdentity{1, Opened(opened)}};
    if (w_.nodes.at(opened).kind == NodeKind::File) return {ERROR_DIRECTORY, std::nullopt};
    if (auto busy = w_.inUse.find(opened); busy != w_.inUse.end() && busy->second > 0) {
        --busy->second;
        return {ERROR_SHARING_VIOLATION, FileIdentity{1, Opened(opened)}};
    }
    // ...but Wine renames what the path names when the rename is made.
    if (!w_.Step(from)) return {ERROR_ACCESS_DENIED, std::nullopt};
    MoveResult moved = MoveEntry(from, to);
    moved.identity = FileIdentity{1, Opened(opened)};
    return moved;
}

MoveResult SimFileSystem::MoveEntry(const std::wstring& from, const std::wstring& to) {
    if (w_.dead) return {ERROR_ACCESS_DENIED, std::nullopt};
    const size_t slash = to.rfind(L'\\');
    const std::wstring name = to.substr(slash + 1);
    const uint64_t node = w_.Resolve(from);
    uint64_t parent = w_.Resolve(to.substr(0, slash == 2 ? 3 : slash));
    while (parent && w_.nodes.at(parent).kind == NodeKind::Link) parent = w_.nodes.at(parent).target;
    if (!node || !parent || w_.nodes.at(parent).kind != NodeKind::Folder) return {ERROR_PATH_NOT_FOUND, std::nullopt};
    Node& moved = w_.nodes.at(node);
    // A file system that keeps names its own way (a NAS that writes them in
    // upper case): the program must find out and put the folder back.
    std::wstring stored = name;
    if (w_.struck && w_.fault.kind == Fault::StoredOtherwise && EndsWithTemp(moved.name) && !EndsWithTemp(name))
        CharUpperBuffW(stored.data(), static_cast<DWORD>(stored.size()));
    for (const std::wstring& taken : {name, stored})
        if (const uint64_t there = w_.Lookup(parent, taken); there && there != node)
            return {ERROR_ALREADY_EXISTS, std::nullopt};
    // A change of case alone is taken for a rename onto itself and does nothing.
    if (w_.Lookup(parent, name) == node && moved.parent == parent) return {};
    w_.unflushedMoves.push_back({node, moved.name});
    moved.parent = parent;
    moved.name = StoredName(stored);
    return {};
}

bool SimFileSystem::IsFolder(const std::wstring& path) {
    if (!w_.Step(path) || IsDeviceName(path.substr(path.rfind(L'\\') + 1))) return false;
    uint64_t node = w_.Resolve(path);
    while (node && w_.nodes.at(node).kind == NodeKind::Link) node = w_.nodes.at(node).target;
    return node && w_.nodes.at(node).kind == NodeKind::Folder;
}

bool SimFileSystem::SetCurrentDir(const std::wstring& path) {
    if (!IsFolder(path)) return false;
    current_ = path;
    return true;
}

std::optional<std::wstring> SimFileSystem::EntryName(const std::wstring& path) {
    if (!w_.Step(path) || IsDeviceName(path.substr(path.rfind(L'\\') + 1))) return std::nullopt;
    const uint64_t node = w_.Resolve(path);
    if (!node || node == SimWorld::kRoot) return std::nullopt;
    return w_.nodes.at(node).name;
}

std::wstring SimFileSystem::ShortPath(const std::wstring& path) {
    if (!w_.Step(path)) return {};
    const uint64_t node = w_.Resolve(path);
    return node ? w_.PathOf(node) : std::wstring();
}

uint64_t SimFileSystem::Listable(const std::wstring& dir) {
    if (!w_.Step(dir)) return 0;
    uint64_t node = w_.Resolve(dir);
    while (node && w_.nodes.at(node).kind == NodeKind::Link) node = w_.nodes.at(node).target;
    return node && w_.nodes.at(node).kind == NodeKind::Folder ? node : 0;
}

std::vector<std::wstring> SimFileSystem::SubFolders(const std::wstring& dir) {
    std::vector<std::wstring> names;
    if (const uint64_t node = Listable(dir))
        for (uint64_t child : w_.Children(node))
            if (w_.nodes.at(child).kind != NodeKind::File) names.push_back(w_.nodes.at(child).name);
    return names;
}

std::optional<std::vector<ListedEntry>> SimFileSystem::Entries(const std::wstring& dir) {
    const uint64_t node = Listable(dir);
    if (!node) return std::nullopt;
    std::vector<ListedEntry> entries;
    for (uint64_t child : w_.Children(node)) {
        const Node& c = w_.nodes.at(child);
        entries.push_back({c.name, c.kind != NodeKind::File, L"", c.kind == NodeKind::Link});
    }
    return entries;
}

std::optional<std::vector<TreeEntry>> SimFileSystem::TreeFolders(const std::wstring& dir,
                                                                 const std::optional<FileIdentity>& expected) {
    const uint64_t node = Listable(dir);
    if (!node || (expected && expected->file != node)) return std::nullopt;
    std::vector<TreeEntry> folders;
    for (uint64_t child : w_.Children(node)) {
        const Node& c = w_.nodes.at(child);
        if (c.kind != NodeKind::File)
            folders.push_back({c.name, c.kind == NodeKind::Link, c.hidden, FileIdentity{1, Opened(child)}});
    }
    return folders;
}

bool SimFileSystem::IsFolderLink(const std::wstring& path) {
    if (!w_.Step(path)) return false;
    const uint64_t node = w_.Resolve(path);
    return node && w_.nodes.at(node).kind == NodeKind::Link;
}

std::optional<FileIdentity> SimFileSystem::IdentityOf(const std::wstring& path) {
    if (!w_.Step(path)) return std::nullopt;
    uint64_t node = w_.Resolve(path);
    while (node && w_.nodes.at(node).kind == NodeKind::Link) node = w_.nodes.at(node).target;
    if (!node) return std::nullopt;
    return FileIdentity{1, node};
}

bool SimFileSystem::IsOwnFolder(const std::wstring& path) {
    const auto identity = IdentityOf(path);
    return identity && w_.own.count(identity->file) != 0;
}

bool SimFileSystem::IsOrdinaryFile(const std::wstring& path) {
    if (!w_.Step(path)) return false;
    const uint64_t node = w_.Resolve(path);
    return node && w_.nodes.at(node).kind == NodeKind::File;
}

bool SimFileSystem::WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    if (!w_.Step()) return false;
    uint64_t node = w_.Resolve(path);
    if (!node) {
        const size_t slash = path.rfind(L'\\');
        const uint64_t parent = w_.Resolve(path.substr(0, slash == 2 ? 3 : slash));
        if (!parent || w_.nodes.at(parent).kind != NodeKind::Folder) return false;
        node = w_.Add(parent, path.substr(slash + 1), NodeKind::File);
    }
    if (w_.nodes.at(node).kind != NodeKind::File) return false;
    w_.nodes.at(node).bytes = bytes;
    return true;
}

bool SimFileSystem::AppendFileBytes(const std::wstring& path, const std::string& bytes) {
    auto before = ReadFileBytes(path);
    return WriteFileBytes(path, before.value_or("") + bytes);
}

std::optional<std::string> SimFileSystem::ReadFileBytes(const std::wstring& path) {
    if (!w_.Step()) return std::nullopt;
    const uint64_t node = w_.Resolve(path);
    if (!node || w_.nodes.at(node).kind != NodeKind::File) return std::nullopt;
    return w_.nodes.at(node).bytes;
}

// ---------------------------------------------------------------- journal

bool SimJournalStore::Writable() {
    return w_.Step() && !(w_.struck && (w_.fault.kind == Fault::ReadOnly || w_.fault.kind == Fault::JournalFull));
}

bool SimJournalStore::ReadFrom(uint64_t from, const std::function<void(std::string_view)>& piece) {
    if (!w_.Step()) return false;
    const std::string bytes = w_.journal;  // what was there when the reading began
    // Odd pieces, so that records are cut between them.
    for (size_t at = static_cast<size_t>(from); at < bytes.size(); at += 997)
        piece(std::string_view(bytes).substr(at, 997));
    return true;
}

std::optional<std::string> SimJournalStore::ReadAt(uint64_t at, size_t size) {
    if (!w_.Step()) return std::nullopt;
    return at < w_.journal.size() ? w_.journal.substr(static_cast<size_t>(at), size) : std::string();
}

std::optional<std::vector<JournalSegment>> SimJournalStore::Segments() {
    if (!w_.Step()) return std::nullopt;
    return testing::ListSegments(w_.journal, w_.segments);
}

std::optional<uint64_t> SimJournalStore::FileId() {
    if (!w_.Step()) return std::nullopt;
    return w_.journalFile;
}

uint32_t SimJournalStore::StartSegment() {
    if (!Writable() || !open_) return 0;
    if (w_.turnHolder != process_) ++w_.writesWithoutTurn;
    // The file appended to is renamed beside the journal, written through.
    return testing::BeginSegment(w_.journal, w_.segments);
}

bool SimJournalStore::DeleteSegment(uint32_t number) {
    if (!Writable() || !open_) return false;
    if (w_.turnHolder != process_) ++w_.writesWithoutTurn;
    const auto cut = testing::DeleteSegmentOf(w_.journal, w_.segments, number);
    if (!cut) return false;
    w_.durable -= std::min(cut->size, w_.durable > cut->start ? w_.durable - cut->start : 0);
    if (cut->start == 0) ++w_.journalFile;
    return true;
}

std::string SimJournalStore::ReadIndex() {
    return w_.Step() ? w_.index : std::string();
}

void SimJournalStore::WriteIndex(std::string_view bytes) {
    if (Writable()) w_.index.assign(bytes);
}

TurnTry SimJournalStore::TryOpenForAppend() {
    if (!Writable()) return TurnTry::Failed;
    if (w_.turnHolder != 0 && w_.turnHolder != process_ && w_.alive.count(w_.turnHolder)) return TurnTry::Busy;
    w_.turnHolder = process_;
    open_ = true;
    return TurnTry::Taken;
}

bool SimJournalStore::Append(const std::string& bytes) {
    if (!Writable() || !open_) return false;
    if (w_.turnHolder != process_) ++w_.writesWithoutTurn;
    if (bytes.find("\tR\t") != std::string::npos) w_.runsBegun.push_back(SimWorld::Copy());
    w_.journal += bytes;
    return true;
}

bool SimJournalStore::Flush() {
    if (!w_.Step() || !open_) return false;
    w_.Flushed();
    return true;
}

void SimJournalStore::CloseAppend() {
    if (w_.turnHolder == process_) w_.turnHolder = 0;
    open_ = false;
}

uint64_t SimJournalStore::Now() {
    w_.AdvanceClock(1);
    return w_.clock;
}

}  // namespace kelvaro::sim
