#include "sim/simulation.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <atomic>
#include <cstring>
#include <sstream>

#include "app/command_line.h"
#include "app/script_run.h"
#include "app/startup.h"
#include "engine/catalog.h"
#include "engine/folder_rules.h"
#include "engine/path_text.h"
#include "fakes/fake_console.h"
#include "fakes/fake_services.h"
#include "fakes/fake_settings_store.h"
#include "model/preview_state.h"
#include "model/run_driver.h"
#include "settings/app_settings.h"

namespace kelvaro::sim {
namespace {

const std::wstring kTemp = kTempSuffix;

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else {
            char hex[12];
            snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out;
}

// '*' and '?' as cmd matches them, case ignored.
bool Matches(const std::wstring& pattern, const std::wstring& name) {
    if (pattern.empty()) return name.empty();
    if (pattern[0] == L'*')
        return Matches(pattern.substr(1), name) || (!name.empty() && Matches(pattern, name.substr(1)));
    if (name.empty()) return false;
    return (pattern[0] == L'?' || SameNameAnyCase(pattern.substr(0, 1), name.substr(0, 1))) &&
           Matches(pattern.substr(1), name.substr(1));
}

// The names a tree is made of: ordinary, Japanese, decomposed kana, a pair
// differing in case, over-long once made full-width, devices, a tab, blanks,
// and one looking like a temporary name.
const std::vector<std::wstring>& NamePool() {
    static const std::vector<std::wstring> pool = {
        L"photos",   L"Data",     L"README",     L"a b",        L"x.y",         L"mix",
        L"Mix",      L"2024",     L"写真",       L"ﾃﾞｰﾀ",       L"ガイド",      L"ｶﾞｲﾄﾞ",
        L"ひらがな", L"ＤＡＴＡ", L"カ\u3099ス", L"ハ\u309Aン", L"Rock\u2019n", L"ﾜﾞｲﾝ",
        L"con",      L"nul",      L"com1",       L"lpt1.txt",   L"tab\there",   L"longname_" + std::wstring(90, L'q'),
        L"Ａｂｃ",   L"abc",      L"ABC",        L"日本 語",    L"old" + kTemp};
    return pool;
}

}  // namespace

std::string Describe(const Op& op) {
    static const char* const kinds[] = {"list",   "tree",  "wildcard", "dryrun",      "undo",
                                        "resume", "start", "window",   "window-undo", "auto"};
    std::ostringstream text;
    text << kinds[op.kind];
    if (op.kind != Op::Undo && op.kind != Op::WindowUndo && op.kind != Op::Start && op.kind != Op::Resume)
        text << " mode " << op.mode;
    if (!op.targets.empty()) {
        text << " [";
        for (size_t i = 0; i < op.targets.size(); ++i) text << (i ? " " : "") << "#" << op.targets[i];
        text << "]";
    }
    if (!op.pattern.empty()) text << " " << Narrow(op.pattern);
    if (op.hidden) text << " /A";
    if (op.viaList) text << " @list";
    if (op.thenRun) text << " then-run";
    if (op.fault.kind != Fault::None) text << " fault " << FaultName(op.fault.kind) << "@" << op.fault.step;
    return text.str();
}

// What the simulation allows an op to do: for each folder it may rename,
// the names it may end under besides its own.
struct Simulation::Expected {
    std::map<uint64_t, std::set<std::wstring>> names;
    RunModel* undo = nullptr;  // the run an undo is to take back, when that is known
    std::set<uint64_t> leftOut;
    // Folders below one swapped for a file or link during the op: what the
    // program could see of them is not known (never lost, but maybe not told).
    std::set<uint64_t> unseen;
};

struct Simulation::Outcome {
    int exit = -1;
    std::vector<std::wstring> out, errors;
    bool stopped = false;
    std::vector<PlanEntry> preview;  // what the window's preview showed
    std::vector<std::wstring> dry;   // the /TSV lines of the dry run before the run
};

// A run as the simulation saw it: what it renamed, from and to.
struct Simulation::RunModel {
    std::map<uint64_t, std::pair<std::wstring, std::wstring>> renamed;  // id -> old, new name
    std::map<uint64_t, std::wstring> renamedAt;                         // id -> its path just after the run
    std::set<uint64_t> undone;
    bool takenBack = false;
    bool finished = true;     // neither killed nor stopped
    bool uncertain = false;   // its records may have been damaged: what an undo does with it cannot be told
    std::set<int16_t> modes;  // a resume goes on by the mode of whichever run it finished
    std::vector<uint64_t> targets;
};

Simulation::Simulation(uint64_t seed) {
    world_.random.seed(seed);
    auto& rnd = world_.random;
    // KELVARO2_SIM_WITHOUT leaves kinds of scenery out (own,tab,temp,device,twin), to see what else fails.
    char without[256] = {};
    GetEnvironmentVariableA("KELVARO2_SIM_WITHOUT", without, sizeof without);
    auto left = [&](const char* what) { return std::strstr(without, what) != nullptr; };
    std::vector<std::wstring> pool;
    for (const auto& name : NamePool()) {
        const bool twin = name == L"Mix" || name == L"ABC" || name == L"Ａｂｃ";
        if ((left("tab") && name.find(L'\t') != std::wstring::npos) || (left("temp") && EndsWithTemp(name)) ||
            (left("device") && IsDeviceName(name)) || (left("twin") && twin))
            continue;
        pool.push_back(name);
    }
    const uint64_t work = world_.Add(SimWorld::kRoot, L"work");
    const uint64_t outside = outside_ = world_.Add(SimWorld::kRoot, L"outside");
    world_.Add(SimWorld::kRoot, L"sim");
    std::vector<uint64_t> outsideFolders{outside};
    for (int i = 0; i < 4; ++i) outsideFolders.push_back(world_.Add(outside, L"out" + std::to_wstring(i)));
    // The program's own folder lies in the tree the runs walk.
    std::vector<uint64_t> folders{work};
    if (!left("own")) {
        const uint64_t appData = world_.Add(work, L"AppData");
        ownFolder_ = world_.Add(world_.Add(appData, L"Local"), L"Kelvaro2");
        folders.push_back(appData);
        for (uint64_t at = ownFolder_; at != SimWorld::kRoot; at = world_.nodes.at(at).parent) world_.own.insert(at);
    }
    const size_t count = 20 + rnd() % 40;
    for (size_t i = 0; i < count; ++i) {
        const uint64_t parent = folders[rnd() % folders.size()];
        std::wstring name = pool[rnd() % pool.size()];
        if (rnd() % 3 == 0) name += std::to_wstring(rnd() % 10);
        // A case twin sits beside its pair now and then; otherwise names are unique in their folder.
        if (const uint64_t there = world_.Lookup(parent, name)) {
            if (world_.nodes.at(there).name == name || rnd() % 2) continue;
        }
        const int kind = static_cast<int>(rnd() % 20);
        const NodeKind nodeKind = kind == 0 ? NodeKind::File : kind == 1 ? NodeKind::Link : NodeKind::Folder;
        const uint64_t id = world_.Add(parent, name, nodeKind);
        if (nodeKind == NodeKind::Link) world_.nodes.at(id).target = outsideFolders[rnd() % outsideFolders.size()];
        // Windows keeps no folder below a device name: under Wine such a folder is a leaf.
        if (nodeKind == NodeKind::Folder) {
            world_.nodes.at(id).hidden = rnd() % 10 == 0;
            if (!IsDeviceName(name)) folders.push_back(id);
        }
        if (EndsWithTemp(name)) simTemps_.insert(id);
        work_.push_back(id);
    }
    work_.push_back(work);
}

Simulation::~Simulation() = default;

std::vector<Op> Simulation::MakeOps(uint64_t seed, size_t count) {
    std::mt19937_64 rnd(seed ^ 0x9E3779B97F4A7C15ull);
    // Ids of the tree made from the same seed run from 2 to about 70.
    auto target = [&] {
        const uint64_t id = 3 + rnd() % 64;
        return id == 4 ? 2 : id;  // C:\sim holds the simulation's own list files
    };
    std::vector<Op> ops;
    static const int weights[Op::kKinds] = {20, 12, 8, 8, 14, 5, 4, 12, 5, 5};
    for (size_t i = 0; i < count; ++i) {
        Op op;
        int pick = static_cast<int>(rnd() % 93);
        for (int k = 0; k < Op::kKinds; ++k) {
            if (pick < weights[k]) {
                op.kind = static_cast<Op::Kind>(k);
                break;
            }
            pick -= weights[k];
        }
        op.mode = static_cast<int16_t>(rnd() % ModeCount());
        const size_t named = op.kind == Op::Tree ? 1 + rnd() % 2 : 1 + rnd() % 6;
        if (op.kind != Op::Undo && op.kind != Op::WindowUndo && op.kind != Op::Start && op.kind != Op::Resume)
            for (size_t k = 0; k < named; ++k)
                op.targets.push_back(op.kind == Op::Tree && rnd() % 4 == 0 ? 2 : target());
        if (op.kind == Op::Wildcard) {
            op.targets.resize(1);
            static const wchar_t* const patterns[] = {L"*", L"?*", L"m*", L"*a*", L"*s", L"?"};
            op.pattern = patterns[rnd() % 6];
        }
        op.hidden = (op.kind == Op::Tree || op.kind == Op::Wildcard) && rnd() % 3 == 0;
        op.viaList = op.kind == Op::List && rnd() % 3 == 0;
        op.thenRun = op.kind == Op::DryRun && rnd() % 2 == 0;
        op.choice = rnd();
        if (rnd() % 100 < 45) {
            static const Fault::Kind faults[] = {Fault::Kill,      Fault::Kill,          Fault::PowerCut,
                                                 Fault::PowerCut,  Fault::JournalFull,   Fault::ReadOnly,
                                                 Fault::InUse,     Fault::BecomesFile,   Fault::BecomesLink,
                                                 Fault::RivalTurn, Fault::DamageJournal, Fault::DamageIndex};
            op.fault.kind = faults[rnd() % (sizeof faults / sizeof faults[0])];
            op.fault.step = static_cast<uint32_t>(1 + rnd() % 300);
            op.fault.arg = rnd();
        } else if (op.choice % 12 == 0) {
            // Drawn from what is drawn already, so that the ops of a seed stay as they were.
            op.fault.kind = Fault::StoredOtherwise;
            op.fault.step = static_cast<uint32_t>(1 + (op.choice >> 8) % 300);
        }
        ops.push_back(std::move(op));
    }
    return ops;
}

std::wstring Simulation::NewName(uint64_t id, int16_t mode) {
    SimWorld quiet = world_;  // conversions ask the disk (short names): a copy counts no steps
    SimFileSystem fs(quiet);
    return LastPathName(ConvertDirName(fs, world_.PathOf(id), mode, false));
}

std::vector<uint64_t> Simulation::TreeOf(uint64_t root, bool hidden) const {
    // Every folder below, children first; hidden ones only with /A; links
    // and folders under temporary names are not entered.
    std::vector<uint64_t> tree;
    const Node& node = world_.nodes.at(root);
    if (node.kind == NodeKind::Folder && !EndsWithTemp(node.name))
        for (uint64_t child : world_.Children(root)) {
            const Node& c = world_.nodes.at(child);
            if (c.kind == NodeKind::File || (c.hidden && !hidden) || EndsWithTemp(c.name)) continue;
            for (uint64_t below : TreeOf(child, hidden)) tree.push_back(below);
        }
    tree.push_back(root);
    return tree;
}

Simulation::RunModel* Simulation::UndoTarget(bool* uncertainNewer) {
    // The newest of the last ten runs that renamed something, not yet taken
    // back; a damaged one newer than it may be taken back in its place.
    size_t seen = 0;
    if (uncertainNewer) *uncertainNewer = false;
    constexpr size_t kRunsKept = 10;  // the promise to the user, not the program's constant
    for (size_t i = runs_.size(); i-- > 0 && seen < kRunsKept;) {
        RunModel& run = runs_[i];
        if (run.renamed.empty()) continue;
        ++seen;
        if (run.uncertain) {
            if (uncertainNewer) *uncertainNewer = true;
            continue;
        }
        if (!run.takenBack && run.undone.size() < run.renamed.size()) return &run;
    }
    return nullptr;
}

std::optional<Op> Simulation::RivalOf(const Op& op, const Expected& expected) const {
    std::vector<uint64_t> touched(op.targets.begin(), op.targets.end());
    for (const auto& [id, names] : expected.names) touched.push_back(id);
    auto above = [&](uint64_t upper, uint64_t id) {
        while (id && id != SimWorld::kRoot && id != upper) id = world_.nodes.at(id).parent;
        return id == upper;
    };
    // Neither above nor below nor beside a folder the op may touch: the two
    // runs meet in the journal only.
    std::vector<uint64_t> apart;
    const std::wstring work = L"C:\\work\\";
    for (const auto& [id, node] : world_.nodes) {
        if (node.kind != NodeKind::Folder || world_.own.count(id) || simTemps_.count(id) ||
            world_.PathOf(id).rfind(work, 0) != 0)
            continue;
        if (std::none_of(touched.begin(), touched.end(), [&](uint64_t t) {
                return !world_.nodes.count(t) || above(t, id) || above(id, t) ||
                       world_.nodes.at(t).parent == node.parent;
            }))
            apart.push_back(id);
    }
    if (apart.empty()) return std::nullopt;
    Op rival;
    rival.kind = Op::List;
    rival.mode = static_cast<int16_t>((op.fault.arg >> 8) % ModeCount());
    for (uint64_t k = 0, count = 1 + op.fault.arg % 3; k < count; ++k)
        rival.targets.push_back(apart[(op.fault.arg >> (16 + 8 * k)) % apart.size()]);
    return rival;
}

Simulation::Expected Simulation::Expect(const Op& op) {
    Expected expected;
    auto allow = [&](uint64_t id, int16_t mode) {
        // A folder under a temporary name is never a run's to rename.
        if (!world_.nodes.count(id) || world_.nodes.at(id).kind == NodeKind::File || simTemps_.count(id)) return;
        expected.names[id].insert(NewName(id, mode));
    };
    switch (op.kind) {
        case Op::List:
        case Op::Window:
        case Op::Auto:
        case Op::DryRun:
            if (op.kind != Op::DryRun || op.thenRun)
                for (uint64_t id : op.targets) allow(id, op.mode);
            break;
        case Op::Tree:
            for (uint64_t root : op.targets)
                if (world_.nodes.count(root))
                    for (uint64_t id : TreeOf(root, op.hidden)) allow(id, op.mode);
            break;
        case Op::Wildcard:
            // The folder the pattern stands in is named by the user: a link there is followed.
            if (!op.targets.empty() && world_.nodes.count(op.targets[0]))
                for (uint64_t child : world_.Children(world_.Resolve(world_.PathOf(op.targets[0]) + L"\\"))) {
                    const Node& c = world_.nodes.at(child);
                    if ((op.hidden || !c.hidden) && c.kind != NodeKind::File && !EndsWithTemp(c.name) &&
                        Matches(op.pattern, c.name))
                        allow(child, op.mode);
                }
            break;
        case Op::Resume:
            // A damaged record may make a finished run look unfinished: one
            // damaged before, or the byte this op's own fault changes first.
            for (const RunModel& run : runs_)
                if (!run.finished || run.uncertain || op.fault.kind == Fault::DamageJournal)
                    for (uint64_t id : run.targets)
                        for (int16_t mode : run.modes) allow(id, mode);
            break;
        case Op::Undo:
        case Op::WindowUndo: {
            // A run whose records (or whose undos' records) were damaged may or
            // may not be taken back, taken back already or not: never to other names.
            bool uncertainNewer = false;
            RunModel* next = UndoTarget(&uncertainNewer);
            // The byte this op's own fault changes first may be in an undo's records: then the run it took back looks not taken back.
            uncertainNewer = uncertainNewer || op.fault.kind == Fault::DamageJournal;
            // With a damaged run among them, any run may be the one taken back:
            // only the names the runs had before are checked.
            for (const RunModel& run : runs_)
                if (uncertainNewer || &run == next)
                    for (const auto& [id, names] : run.renamed) expected.names[id].insert(names.first);
            expected.undo = uncertainNewer ? nullptr : next;
            break;
        }
        default:
            break;
    }
    // A file system that keeps names its own way may leave a folder under
    // the upper-case form of the name it was given, and the program says so;
    // an undo takes it back as any other.
    if (op.fault.kind == Fault::StoredOtherwise)
        for (auto& [id, names] : expected.names) {
            std::set<std::wstring> asked = names;
            asked.insert(world_.nodes.at(id).name);  // the way back may store the old name otherwise too
            for (std::wstring name : asked) {
                CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
                names.insert(std::move(name));
            }
        }
    return expected;
}

namespace {

// A copy of the program on the simulated machine, with what it shows.
struct Process {
    Process(SimWorld& world, uint32_t pid) : fs(world), store(world, pid), journal(store), state(prompts) {
        world.alive.insert(pid);
        journal.SetTurnPause([this](unsigned ms) {
            store.Sleep(ms);
            return true;
        });
        settings.StoreWrite(kAppName, kSectionName, L"AutoLog", L"False");
        settings.StoreWrite(kAppName, kSectionName, L"Hira", L"False");
    }
    Services Services_() { return {settings, fs, clipboard, prompts, &journal, nullptr}; }

    SimFileSystem fs;
    SimJournalStore store;
    RenameJournal journal;
    kelvaro::testing::FakeSettingsStore settings;
    kelvaro::testing::FakeClipboard clipboard;
    kelvaro::testing::FakePrompts prompts;
    kelvaro::testing::FakeConsole console;
    AppState state;
};

class QuietView final : public IRunView {
public:
    explicit QuietView(IFileSystem& fs) : fs_(fs) {}
    // As the window asks the disk: the folders below a renamed one are followed by their exact spelling there.
    bool TellsCaseApart(const std::wstring& dir) override { return fs_.TellsCaseApart(dir); }
    void SetRunning(bool) override {}
    void ShowEntry(size_t) override {}
    void ProcessPendingInput() override {}
    void RefreshFolders() override {}
    void UpdateButtons() override {}

private:
    IFileSystem& fs_;
};

std::string Utf8Line(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes + "\r\n";
}

std::wstring Quoted(const std::wstring& path) {
    return L" \"" + path + L"\"";
}

}  // namespace

Simulation::Outcome Simulation::Execute(const Op& op, const std::wstring& listFile) {
    Outcome outcome;
    std::atomic<bool> stop{false};
    if (op.fault.kind == Fault::Stop) world_.swap = [&stop] { stop = true; };
    // Each run is a copy of the program of its own, started and ended.
    auto inProcess = [&](const std::function<void(Process&)>& body) {
        const uint32_t pid = nextProcess_++;
        ++processes;
        world_.process = pid;
        {
            Process p(world_, pid);
            body(p);
        }
        world_.alive.erase(pid);
        if (world_.turnHolder == pid) world_.turnHolder = 0;  // the system gives up the turn of a process that ends
    };
    auto script = [&](const std::wstring& line) {
        inProcess([&](Process& p) {
            ScriptServices services{p.settings,
                                    p.fs,
                                    p.clipboard,
                                    p.console,
                                    &stop,
                                    &p.journal,
                                    {ownFolder_ ? world_.PathOf(ownFolder_) + L"\\" : L"C:\\sim\\own\\"}};
            outcome.exit = RunScript(ParseScriptCommand(line), services);
            outcome.out = p.console.out;
            outcome.errors = p.console.errors;
        });
    };
    std::wstring names;
    for (uint64_t id : op.targets)
        if (world_.nodes.count(id)) names += Quoted(world_.PathOf(id));
    if (op.kind == Op::Wildcard && !op.targets.empty() && world_.nodes.count(op.targets[0]))
        names = Quoted(world_.PathOf(op.targets[0]) + L"\\" + op.pattern);
    const std::wstring mode = L"/MODE:" + std::to_wstring(op.mode) + L" /TSV";
    switch (op.kind) {
        case Op::List:
            if (op.viaList) {
                // The list names each folder on a line of its own, in UTF-8.
                std::string bytes = "\xEF\xBB\xBF";
                for (uint64_t id : op.targets)
                    if (world_.nodes.count(id)) bytes += Utf8Line(world_.PathOf(id));
                uint64_t file = world_.Resolve(listFile);
                if (!file) file = world_.Add(world_.Resolve(L"C:\\sim"), LastPathName(listFile), NodeKind::File);
                world_.nodes.at(file).bytes = bytes;
                names = L" @" + listFile;
            }
            script(mode + names);
            break;
        case Op::Tree:
            script(mode + L" /S" + (op.hidden ? L" /A" : L"") + names);
            break;
        case Op::Wildcard:
            script(mode + (op.hidden ? L" /A" : L"") + names);
            break;
        case Op::DryRun:
            script(mode + L" /DRYRUN" + names);
            if (op.thenRun) {
                outcome.dry = outcome.out;
                script(mode + names);
            }
            break;
        case Op::Undo:
            script(L"/UNDO /TSV");
            break;
        case Op::Resume:
            script(L"/RESUME /TSV");
            break;
        case Op::Start:
            inProcess([&](Process& p) {
                Services services = p.Services_();
                RunStartup(p.state, services, L"");
                for (size_t i = 0; i < p.state.history.Count(); ++i) outcome.out.push_back(p.state.history.Line(i));
            });
            break;
        case Op::Auto:
            inProcess([&](Process& p) {
                p.settings.StoreWrite(kAppName, kSectionName, L"Auto", L"True");
                p.settings.StoreWrite(kAppName, kSectionName, L"AutoExe", std::to_wstring(op.mode));
                Services services = p.Services_();
                RunStartup(p.state, services, names.empty() ? names : names.substr(1));
            });
            break;
        case Op::Window:
        case Op::WindowUndo:
            inProcess([&](Process& p) {
                Services services = p.Services_();
                p.prompts.answer = false;  // nothing put back into the list at start
                RunStartup(p.state, services, L"");
                p.prompts.answer = true;
                QuietView view(p.fs);
                const RenameServices rename{p.fs, p.state.history, p.state.changed, false, &p.journal};
                RunDriver driver(
                    p.state, view,
                    [&](const std::wstring& path, int16_t m, ILineSink& history, ILineSink& changed) {
                        return RenameFolder({p.fs, history, changed, false, &p.journal}, path, m);
                    },
                    &p.journal);
                auto history = [&] {
                    for (size_t i = 0; i < p.state.history.Count(); ++i)
                        outcome.errors.push_back(p.state.history.Line(i));
                };
                if (op.kind == Op::WindowUndo) {
                    driver.Undo(rename);
                    return history();
                }
                if (!names.empty()) CmdLine_ListIn(p.state.targets, p.fs, names.substr(1));
                std::vector<std::wstring> paths;
                for (size_t i = 0; i < p.state.targets.Count(); ++i) paths.push_back(p.state.targets.Text(i));
                PreviewState preview;
                preview.Compute(p.fs, paths, op.mode, false);
                std::vector<size_t> untick;
                for (size_t i = 0; i < paths.size(); ++i)
                    if (preview.HasCheckBox(i) && (op.choice >> (i % 64)) % 4 == 0) untick.push_back(i);
                preview.SetTicked(untick, false);
                outcome.preview = preview.Plan();
                driver.Run(op.mode, preview.LeftOut());
                history();
            });
            break;
        default:
            break;
    }
    outcome.stopped = stop.load();
    return outcome;
}

std::optional<std::string> Simulation::Apply(const Op& op) {
    const std::map<uint64_t, Node> before = world_.nodes;
    Expected expected = Expect(op);
    world_.random.seed(op.choice);
    world_.fault = op.fault;
    world_.steps = 0;
    world_.dead = world_.struck = false;
    world_.swap = nullptr;
    struct Swap {
        uint64_t folder, stand;
        std::wstring name;  // the stand-in's name when it was put there
    };
    std::vector<Swap> swapped;
    uint64_t holding = 0;
    std::vector<uint64_t> named;  // the folders the op may rename
    std::optional<Op> rival;      // a run of another copy, interleaved with the op
    Expected rivalExpected;
    Outcome rivalOutcome;
    std::map<uint64_t, Node> rivalEnd;  // the disk when the rival ended
    for (const auto& [id, names] : expected.names)
        if (world_.nodes.at(id).kind == NodeKind::Folder && !world_.own.count(id)) named.push_back(id);
    switch (op.fault.kind) {
        case Fault::DamageJournal:
        case Fault::DamageIndex: {
            std::string& bytes = op.fault.kind == Fault::DamageJournal ? world_.journal : world_.index;
            if (bytes.empty()) break;
            // Most often a byte of the newest run's lines, where a cut left its
            // folders open, and now and then of its run record itself.
            const size_t newest = op.fault.arg % 3 ? bytes.rfind("\tR\t") : std::string::npos;
            const size_t start = newest == std::string::npos ? 0 : newest;
            const size_t end = op.fault.arg % 3 == 2 ? bytes.find('\n', start) : bytes.size();
            const size_t at = start + op.fault.arg / 7 % ((end == std::string::npos ? bytes.size() : end) - start);
            bytes[at] = static_cast<char>(bytes[at] == 'x' ? 'y' : 'x');
            break;
        }
        case Fault::InUse:
            if (!named.empty())
                world_.inUse[named[op.fault.arg % named.size()]] = 1 + static_cast<int>(op.fault.arg % 3);
            break;
        case Fault::BecomesFile:
        case Fault::BecomesLink: {
            if (named.empty()) break;
            uint64_t victim = named[op.fault.arg % named.size()];
            // Half of the time a folder the user named is swapped just before
            // the program names its path for the first to fourth time.
            std::vector<uint64_t> roots;
            for (uint64_t id : op.targets)
                if (std::find(named.begin(), named.end(), id) != named.end()) roots.push_back(id);
            if (!roots.empty() && (op.fault.arg >> 40) % 2) {
                victim = roots[(op.fault.arg >> 42) % roots.size()];
                world_.fault.step = 0;
                world_.swapPath = world_.PathOf(victim);
                world_.swapTouches = 1 + static_cast<uint32_t>((op.fault.arg >> 41) % 4);
            }
            world_.swap = [&, victim] {
                // Between the plan and the rename: a folder the run has not renamed yet.
                if (world_.nodes.at(victim).name != before.at(victim).name) return;
                if (!holding) holding = world_.Add(SimWorld::kRoot, L"hold");
                Node& v = world_.nodes.at(victim);
                const NodeKind kind = op.fault.kind == Fault::BecomesFile ? NodeKind::File : NodeKind::Link;
                const uint64_t stand = world_.Add(v.parent, v.name, kind);
                if (kind == NodeKind::Link) world_.nodes.at(stand).target = outside_;
                // Hidden as the folder was: a walk without /A passes it by as it would have the folder.
                world_.nodes.at(stand).hidden = v.hidden;
                world_.nodes.at(victim).parent = holding;
                swapped.push_back({victim, stand, world_.nodes.at(stand).name});
                for (const auto& [id, node] : before)
                    if (id != victim && world_.PathOf(id).rfind(world_.PathOf(victim) + L"\\", 0) == 0)
                        expected.unseen.insert(id);
                if (trace)
                    std::printf("   (step %u: #%llu swapped for a %s)\n", world_.steps,
                                static_cast<unsigned long long>(victim), kind == NodeKind::File ? "file" : "link");
            };
            break;
        }
        case Fault::RivalTurn: {
            // Half of the time a real copy of the program runs beside the op, step by step.
            if ((op.fault.arg >> 40) % 2 && op.kind != Op::Resume && (rival = RivalOf(op, expected))) {
                rivalExpected = Expect(*rival);
                break;
            }
            // Or another copy holds the turn, running a run of its own, for up to five minutes.
            const uint32_t rival = nextProcess_++;
            const std::string id = std::to_string(world_.clock) + "-" + std::to_string(rival);
            world_.alive.insert(rival);
            world_.turnHolder = rival;
            // It ends a line a power cut left half-written, as every copy does when it takes the turn.
            if (!world_.journal.empty() && world_.journal.back() != '\n') world_.journal += "\n" + CutRecord();
            world_.journal += RunRecord(id, RunKind::Run, {rival, rival}, "");
            world_.rivalUntil = world_.clock + (op.fault.arg % 300000) * 10000;
            world_.rivalEnds = [this, rival, id] {
                world_.journal += EndRecord(id, RunEnd::Done, 0);
                world_.alive.erase(rival);
                if (world_.turnHolder == rival) world_.turnHolder = 0;
            };
            break;
        }
        default:
            break;
    }
    const std::wstring listFile = L"C:\\sim\\list.txt";
    const std::string journalAtOp = world_.journal;
    world_.runsBegun.clear();
    Outcome outcome;
    world_.handovers = 0;
    if (rival)
        world_.Interleave([&] { outcome = Execute(op, listFile); },
                          [&] {
                              rivalOutcome = Execute(*rival, listFile);
                              rivalEnd = world_.nodes;
                          },
                          op.fault.arg);
    else
        outcome = Execute(op, listFile);
    if (trace) {
        std::printf("== %s: exit %d, %zu steps\n", Describe(op).c_str(), outcome.exit,
                    static_cast<size_t>(world_.steps));
        for (const auto& [id, names] : expected.names)
            for (const auto& name : names)
                std::printf("   may: #%llu -> %s\n", static_cast<unsigned long long>(id), Narrow(name).c_str());
        for (const auto& [id, was] : before)
            if (world_.nodes.at(id).name != was.name)
                std::printf("   renamed #%llu %s -> %s\n", static_cast<unsigned long long>(id),
                            Narrow(was.name).c_str(), Narrow(world_.nodes.at(id).name).c_str());
        for (const auto& line : outcome.out) std::printf("   out: %s\n", Narrow(line).c_str());
        for (const auto& line : outcome.errors) std::printf("   err: %s\n", Narrow(line).c_str());
        if (rival) {
            std::printf("   beside it, %s, the two taking turns %u times\n", Describe(*rival).c_str(),
                        world_.handovers);
            for (const auto& line : rivalOutcome.out) std::printf("   its out: %s\n", Narrow(line).c_str());
        }
        for (size_t at = 0, end; (end = world_.journal.find('\n', at)) != std::string::npos; at = end + 1) {
            const std::string line = world_.journal.substr(at, end - at);
            // Runs' starts and ends only, unless SIM_JOURNAL asks for every record.
            if (std::getenv("SIM_JOURNAL") || line.find("\tE\t") != std::string::npos ||
                line.find("\tR\t") != std::string::npos)
                std::printf("   journal: %s\n", line.c_str());
        }
        if (const size_t cut = world_.journal.rfind('\n') + 1; cut < world_.journal.size())
            std::printf("   journal, a line without its end: %s\n", world_.journal.substr(cut).c_str());
    }
    if (world_.rivalEnds) std::exchange(world_.rivalEnds, nullptr)();
    const bool killed = world_.struck && (op.fault.kind == Fault::Kill || op.fault.kind == Fault::PowerCut);
    const bool faulted =
        world_.struck || (op.fault.kind >= Fault::InUse && op.fault.kind <= Fault::DamageIndex && !rival);
    world_.dead = false;
    world_.fault = {};
    world_.swap = nullptr;
    world_.swapTouches = 0;
    world_.inUse.clear();
    // Swapped folders come back, unless what stood in their place was renamed.
    for (auto it = swapped.rbegin(); it != swapped.rend(); ++it) {
        const uint64_t victim = it->folder, stand = it->stand;
        const Node s = world_.nodes.at(stand);
        // A link in the folder's place is renamed as itself, never entered; a file is never renamed.
        if (s.kind == NodeKind::File && s.name != it->name)
            return "the link or file standing in for folder #" + std::to_string(victim) + " was renamed to " +
                   Narrow(s.name);
        world_.nodes.erase(stand);
        world_.nodes.at(victim).parent = s.parent;
        world_.nodes.at(victim).name = s.name;
    }
    if (holding) world_.nodes.erase(holding);
    // Now and then a cut also garbles a byte of its run's own record: the
    // next start must still find every folder the run left open.
    tornByCut_ = killed && op.fault.arg % 4 == 0;
    if (const size_t run = world_.journal.rfind("\tR\t"); tornByCut_ && run != std::string::npos) {
        const size_t end = world_.journal.find('\n', run);
        char& byte =
            world_.journal[run + 3 + op.fault.arg / 4 % ((end == std::string::npos ? run + 4 : end) - run - 3)];
        byte = byte == 'x' ? 'y' : 'x';
    }
    // A copy that died leaves what it left: the next start puts it right.
    if (killed || faulted) {
        world_.steps = 0;
        Op start;
        start.kind = Op::Start;
        const size_t journalBefore = world_.journal.size();
        const Outcome recovery = Execute(start, listFile);
        if (trace) {
            std::printf("   -- the next start:\n");
            for (const auto& line : recovery.out) std::printf("   said: %s\n", Narrow(line).c_str());
            // What the start wrote, record by record, with SIM_JOURNAL.
            for (size_t at = journalBefore, end; std::getenv("SIM_JOURNAL") && at < world_.journal.size() &&
                                                 (end = world_.journal.find('\n', at)) != std::string::npos;
                 at = end + 1)
                std::printf("   wrote: %s\n", world_.journal.substr(at, end - at).c_str());
            for (const auto& [id, was] : before)
                if (world_.nodes.at(id).name != was.name)
                    std::printf("   now #%llu %s\n", static_cast<unsigned long long>(id),
                                Narrow(world_.nodes.at(id).name).c_str());
        }
    }
    // A cut may come after the end record was written: all of it on disk but
    // its line's end, which the next copy to write supplies. Then it ended.
    endOutlastedCut_ = false;
    if (const size_t start = world_.journal.rfind("\tR\t"); killed && start != std::string::npos) {
        const size_t id = start + 3;
        const std::string run = world_.journal.substr(id, world_.journal.find('\t', id) - id);
        endOutlastedCut_ = journalAtOp.find(run) == std::string::npos &&
                           world_.journal.find("\tE\t" + run + "\tD\t", id) != std::string::npos;
    }
    if (!rival) {
        if (auto broken = Check(op, before, expected, outcome, faulted || killed)) return broken;
        Learn(op, before, expected, outcome);
        return std::nullopt;
    }
    // Each copy may rename what it names; each one's lines are checked; the
    // run that wrote its record first is the older.
    std::set<uint64_t> ofOp, ofRival;
    for (const auto& [id, names] : expected.names) ofOp.insert(id);
    for (const auto& [id, names] : rivalExpected.names) ofRival.insert(id);
    // What the rival's run renamed is what it left when it ended.
    auto learnRival = [&] {
        std::swap(world_.nodes, rivalEnd);
        Learn(*rival, before, rivalExpected, rivalOutcome, ofOp);
        std::swap(world_.nodes, rivalEnd);
    };
    // (An op that wrote no run record, an undo that found nothing to take back, went first.)
    const bool rivalFirst = !world_.runsBegun.empty() && world_.runsBegun.front() == 1 &&
                            std::count(world_.runsBegun.begin(), world_.runsBegun.end(), 0) != 0;
    // An undo after it took its run back, and its lines' folders with it: they were true when written.
    const bool undoneSince = rivalFirst && (op.kind == Op::Undo || op.kind == Op::WindowUndo);
    if (rivalFirst) learnRival();
    if (undoneSince) expected = Expect(op);
    Expected opBeside = expected, rivalBeside = rivalExpected;
    for (const auto& [id, names] : rivalExpected.names) opBeside.names[id].insert(names.begin(), names.end());
    for (const auto& [id, names] : expected.names) rivalBeside.names[id].insert(names.begin(), names.end());
    if (auto broken = Check(op, before, opBeside, outcome, false)) return broken;
    if (auto broken = undoneSince ? std::nullopt : Check(*rival, before, rivalBeside, rivalOutcome, false))
        return "beside it, " + *broken;
    Learn(op, before, expected, outcome, ofRival);
    if (!rivalFirst) learnRival();
    return std::nullopt;
}

uint64_t Simulation::LeftBehind(const RunModel& run, const std::map<uint64_t, Node>& before) const {
    SimWorld then;
    then.nodes = before;
    for (const auto& [id, names] : run.renamed) {
        if (run.undone.count(id) || world_.nodes.at(id).name == names.first) continue;
        // Renamed since, or moved with a folder above it (and not put back): the undo leaves it as it is.
        if (before.at(id).name != names.second || then.PathOf(id) != run.renamedAt.at(id)) continue;
        const uint64_t holder = world_.Lookup(world_.nodes.at(id).parent, names.first);
        if (!holder || holder == id) return id;
    }
    return 0;
}

std::optional<std::string> Simulation::Check(const Op& op,
                                             const std::map<uint64_t, Node>& before,
                                             const Expected& expected,
                                             const Outcome& outcome,
                                             bool faulted) {
    auto where = [&](uint64_t id) { return "#" + std::to_string(id) + " " + Narrow(world_.PathOf(id)); };
    if (world_.writesWithoutTurn) return "the journal was written without the turn";
    for (const auto& [id, was] : before) {
        const Node& now = world_.nodes.at(id);
        if (now.parent != was.parent) return "folder " + where(id) + " moved to another folder";
        if (now.name == was.name) continue;
        const std::wstring own = ownFolder_ ? world_.PathOf(ownFolder_) : std::wstring();
        if (ownFolder_ && own.compare(0, world_.PathOf(id).size(), world_.PathOf(id)) == 0)
            return "the program's own folder " + where(id) + " was renamed";
        if (was.kind == NodeKind::File) return "the file " + where(id) + " was renamed";
        if (EndsWithTemp(now.name) && !simTemps_.count(id))
            return "folder " + where(id) + " is left under its temporary name after a start";
        const auto allowed = expected.names.find(id);
        if (allowed == expected.names.end() || !allowed->second.count(now.name))
            return "folder " + where(id) + " was renamed from " + Narrow(was.name) + " though the op may not";
    }
    for (const auto& [id, node] : world_.nodes)
        if (!before.count(id) && node.kind != NodeKind::File) return "a new folder appeared: " + where(id);
    if (faulted || outcome.stopped) return std::nullopt;

    SimWorld then;
    then.nodes = before;
    if (op.kind == Op::Undo || op.kind == Op::WindowUndo) {
        // The expected run is taken back, all of it but what another folder blocks.
        if (const RunModel* run = expected.undo)
            if (const uint64_t id = LeftBehind(*run, before))
                return "the undo left " + where(id) + " though nothing holds its old name " +
                       Narrow(run->renamed.at(id).first);
    }
    if (op.kind == Op::Window)
        // What the preview promised, the run did: each ticked folder to rename is renamed.
        for (const PlanEntry& entry : outcome.preview) {
            if (entry.state != PlanState::Rename || entry.leftOut || entry.belowRenamed) continue;
            const uint64_t id = then.Resolve(entry.path);
            if (id && world_.nodes.at(id).name != LastPathName(entry.newPath))
                return "the preview said " + Narrow(entry.path) + " becomes " + Narrow(entry.newPath) +
                       ", the run left " + where(id);
        }
    // Each /TSV line names a folder and what became of it; a dry run and the
    // run after it agree on every folder.
    auto fieldsOf = [](const std::wstring& line) {
        std::vector<std::wstring> fields;
        std::wstringstream in(line);
        for (std::wstring field; std::getline(in, field, L'\t');) fields.push_back(field);
        return fields;
    };
    // The exit code agrees with the lines: 0 only when no folder failed.
    if (outcome.exit >= 0 && outcome.out.size() > 1) {
        const bool failed = std::any_of(outcome.out.begin() + 1, outcome.out.end(), [&](const std::wstring& line) {
            return line.rfind(L"FAILED\t", 0) == 0;
        });
        if (outcome.exit != 0 && outcome.exit != 1) return "a run ended with exit code " + std::to_string(outcome.exit);
        if (failed && outcome.exit == 0) return "a folder failed but the exit code says every one was done";
    }
    for (size_t i = 1; i < outcome.out.size(); ++i) {
        const std::vector<std::wstring> fields = fieldsOf(outcome.out[i]);
        if (fields.size() < 3) continue;
        const std::wstring& code = fields[0];
        const uint64_t was = then.Resolve(fields[1]);
        if (!was || expected.unseen.count(was))
            continue;  // a name that answered nothing, or one with a tab the line cannot hold
        if (i < outcome.dry.size()) {
            const std::vector<std::wstring> dry = fieldsOf(outcome.dry[i]);
            const std::wstring expectedCode = dry[0] == L"RENAME" ? L"RENAMED" : dry[0];
            if (dry.size() > 1 && dry[1] == fields[1] && code != expectedCode)
                return "the dry run said " + Narrow(dry[0]) + " for " + Narrow(fields[1]) + ", the run " + Narrow(code);
        }
        if (code == L"RENAMED" || code == L"UNDONE") {
            // The line was true when written: a folder above may have been renamed since (children come first).
            if (world_.nodes.at(was).name != LastPathName(fields[2]))
                return "the output says " + Narrow(fields[1]) + " is now " + Narrow(fields[2]) + ", the disk does not";
        } else if (code != L"RENAME" && code != L"SAME" && code != L"DUPLICATE" &&  // (told where named first)
                   world_.nodes.at(was).kind != NodeKind::File &&
                   world_.nodes.at(was).name != then.nodes.at(was).name &&
                   (fields.size() < 4 || fields[3].find(L"[ " + world_.nodes.at(was).name + L" ]") == std::wstring::npos)) {
            return "the output says " + Narrow(fields[1]) + " was left (" + Narrow(code) + ") but it is now " +
                   Narrow(world_.PathOf(was));
        }
    }
    return std::nullopt;
}

void Simulation::Learn(const Op& op,
                       const std::map<uint64_t, Node>& before,
                       const Expected& expected,
                       const Outcome& outcome,
                       const std::set<uint64_t>& others) {
    const bool run = op.kind == Op::List || op.kind == Op::Tree || op.kind == Op::Wildcard || op.kind == Op::Window ||
                     op.kind == Op::Auto || op.kind == Op::Resume || (op.kind == Op::DryRun && op.thenRun);
    if (op.fault.kind == Fault::DamageJournal || tornByCut_)
        for (RunModel& r : runs_) r.uncertain = true;
    if (run) {
        RunModel model;
        model.modes = {op.mode};
        // A resume finishes one of the runs left unfinished (the newest whose
        // folders have not changed since), by its mode: which one is left open.
        if (op.kind == Op::Resume) {
            model.modes.clear();
            for (const RunModel& r : runs_)
                if (!r.finished || r.uncertain) model.modes.insert(r.modes.begin(), r.modes.end());
        }
        // The rows the user unticked in the preview are no part of the run.
        std::set<uint64_t> leftOut;
        SimWorld then;
        then.nodes = before;
        for (const PlanEntry& entry : outcome.preview)
            if (entry.leftOut) leftOut.insert(then.Resolve(entry.path));
        for (const auto& [id, names] : expected.names)
            if (!leftOut.count(id)) model.targets.push_back(id);
        model.finished = !(world_.struck && op.fault.kind != Fault::BecomesFile && op.fault.kind != Fault::BecomesLink &&
                           op.fault.kind != Fault::StoredOtherwise);
        for (const auto& [id, was] : before)
            if (world_.nodes.at(id).name != was.name && !others.count(id)) {
                model.renamed[id] = {was.name, world_.nodes.at(id).name};
                model.renamedAt[id] = world_.PathOf(id);
            }
        // What the program could not see of folders below a swapped one may be missing from its records.
        model.uncertain = !expected.unseen.empty() || tornByCut_;
        runs_.push_back(std::move(model));
        return;
    }
    if (op.kind == Op::Undo || op.kind == Op::WindowUndo) {
        // What went back belongs to the run the undo took back (any damaged one, when that is not known).
        bool tookBack = false;  // this undo took back a folder of the run it was to take back
        for (RunModel& r : runs_)
            if (&r == expected.undo || !expected.undo)
                for (const auto& [id, names] : r.renamed)
                    if (world_.nodes.at(id).name == names.first && before.at(id).name != names.first) {
                        r.undone.insert(id);
                        tookBack = tookBack || &r == expected.undo;
                    }
        // An undo that went through every folder took its run back, folders it had to leave included.
        // (With the journal damaged just before, the undo may have refused: nothing is known.)
        // A journal that turned read-only or full only after the last folder
        // stopped nothing: the undo took back what it could, and says it ended.
        const bool endedAfterAll = (op.fault.kind == Fault::ReadOnly || op.fault.kind == Fault::JournalFull) &&
                                   tookBack && !LeftBehind(*expected.undo, before) && !outcome.errors.empty() &&
                                   outcome.errors.back() == ResAllText(AText::AllFinishedLine);
        const bool through = (endOutlastedCut_ || endedAfterAll ||
                              !(world_.struck && op.fault.kind != Fault::BecomesFile &&
                                op.fault.kind != Fault::BecomesLink && op.fault.kind != Fault::StoredOtherwise)) &&
                             op.fault.kind != Fault::DamageJournal;
        // When a damaged run might have gone first, the run taken back is the one whose folders went back.
        RunModel* taken = expected.undo;
        if (!taken)
            for (RunModel& r : runs_)
                for (const auto& [id, names] : r.renamed)
                    if (world_.nodes.at(id).name == names.first && before.at(id).name != names.first) taken = &r;
        if (taken && (through || taken->undone.size() == taken->renamed.size())) taken->takenBack = true;
    }
}

std::optional<Failure> Simulation::Run(const std::vector<Op>& ops) {
    for (size_t i = 0; i < ops.size(); ++i) {
        try {
            if (auto broken = Apply(ops[i])) return Failure{i, *broken};
        } catch (const std::exception& e) {
            return Failure{i, std::string("an exception escaped: ") + e.what()};
        }
    }
    return std::nullopt;
}

std::optional<Failure> Replay(uint64_t seed,
                              size_t count,
                              const std::vector<size_t>& keep,
                              bool trace,
                              const std::set<size_t>& calm) {
    const std::vector<Op> all = Simulation::MakeOps(seed, count);
    std::vector<Op> ops;
    for (size_t i : keep) {
        ops.push_back(all.at(i));
        if (calm.count(i)) ops.back().fault = {};
    }
    Simulation simulation(seed);
    simulation.trace = trace;
    return simulation.Run(ops);
}

SeedResult RunSeed(uint64_t seed, size_t count, bool shrink) {
    SeedResult result;
    const std::vector<Op> ops = Simulation::MakeOps(seed, count);
    std::optional<Failure> failure;
    {
        Simulation simulation(seed);
        failure = simulation.Run(ops);
        result.ops = failure ? failure->op + 1 : ops.size();
        result.processes = simulation.processes;
    }
    if (!failure) return result;
    // The shortest sequence that still fails: ops dropped one at a time, from the end.
    std::vector<size_t> keep;
    for (size_t i = 0; i <= failure->op; ++i) keep.push_back(i);
    if (shrink)
        for (bool dropped = true; dropped;) {
            dropped = false;
            for (size_t k = keep.size(); k-- > 0;) {
                std::vector<size_t> fewer = keep;
                fewer.erase(fewer.begin() + static_cast<long>(k));
                if (fewer.empty()) continue;
                if (auto again = Replay(seed, count, fewer)) {
                    keep = fewer;
                    keep.resize(again->op + 1);
                    failure = again;
                    dropped = true;
                }
            }
        }
    // Then the faults that the failure does not need.
    std::set<size_t> calm;
    if (shrink)
        for (size_t i : keep) {
            if (ops[i].fault.kind == Fault::None) continue;
            calm.insert(i);
            if (auto again = Replay(seed, count, keep, false, calm); again && again->op + 1 == keep.size())
                failure = again;
            else
                calm.erase(i);
        }
    std::ostringstream report;
    report << "seed " << seed << " failed after op " << result.ops << " of " << ops.size() << ": " << failure->what
           << "\n  the shortest sequence that fails (" << keep.size() << " ops):\n";
    for (size_t i : keep) {
        Op op = ops[i];
        if (calm.count(i)) op.fault = {};
        report << "    " << i << ": " << Describe(op) << (calm.count(i) ? " (its fault dropped)" : "") << "\n";
    }
    report << "  replay: Replay(" << seed << ", " << count << ", {";
    for (size_t i = 0; i < keep.size(); ++i) report << (i ? ", " : "") << keep[i];
    report << "}" << (calm.empty() ? "" : ", false, {");
    for (auto it = calm.begin(); it != calm.end(); ++it) report << (it == calm.begin() ? "" : ", ") << *it;
    report << (calm.empty() ? ")" : "})") << "\n  trace: sim_tests trace " << seed << " ";
    for (size_t i = 0; i < keep.size(); ++i) report << (i ? "," : "") << keep[i] << (calm.count(keep[i]) ? "-" : "");
    report << "\n";
    result.failure = report.str();
    return result;
}

}  // namespace kelvaro::sim
