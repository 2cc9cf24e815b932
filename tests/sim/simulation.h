#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/sim_disk.h"

namespace kelvaro::sim {

// One thing a user (or a script) does: a copy of the program started for it.
struct Op {
    enum Kind : uint8_t {
        List,        // /MODE:n over named folders (on the line or in a list file)
        Tree,        // /MODE:n /S over named trees
        Wildcard,    // /MODE:n over a pattern
        DryRun,      // /DRYRUN, then (sometimes) the same run for real
        Undo,        // /UNDO
        Resume,      // /RESUME
        Start,       // the program opened and closed: recovery only
        Window,      // the window: a preview with rows unticked, then its run
        WindowUndo,  // the window's undo
        Auto,        // the automatic run of a "Send to"
        kKinds
    } kind = Start;
    int16_t mode = 0;
    std::vector<uint64_t> targets;  // the folders named, by id
    std::wstring pattern;           // Wildcard: the last part of the name
    bool hidden = false;            // /A
    bool viaList = false;           // the names in a list file
    bool thenRun = false;           // DryRun: the run follows, and must agree
    uint64_t choice = 0;            // for the op's own random choices
    Fault fault;
};
std::string Describe(const Op& op);

struct Failure {
    size_t op = 0;  // the index of the op after which an invariant broke
    std::string what;
};

// A deterministic simulation of a machine on which the program is used: a
// tree of folders made from a seed, then operations with faults, each run
// through the program's own code, every invariant checked after each.
class Simulation {
public:
    explicit Simulation(uint64_t seed);
    ~Simulation();
    static std::vector<Op> MakeOps(uint64_t seed, size_t count);
    // Runs `ops` in order; the first broken invariant, if any.
    std::optional<Failure> Run(const std::vector<Op>& ops);
    uint64_t processes = 0;  // copies of the program started
    bool trace = false;      // prints each op, what it changed and what the program said

private:
    struct Expected;
    struct Outcome;
    struct RunModel;
    std::optional<std::string> Apply(const Op& op);
    Outcome Execute(const Op& op, const std::wstring& listFile);
    std::optional<std::string> Check(const Op& op,
                                     const std::map<uint64_t, Node>& before,
                                     const Expected& expected,
                                     const Outcome& outcome,
                                     bool faulted);
    void Learn(const Op& op,
               const std::map<uint64_t, Node>& before,
               const Expected& expected,
               const Outcome& outcome,
               const std::set<uint64_t>& others = {});
    Expected Expect(const Op& op);
    std::wstring NewName(uint64_t id, int16_t mode);
    std::vector<uint64_t> TreeOf(uint64_t root, bool hidden) const;
    RunModel* UndoTarget(bool* uncertainNewer = nullptr);
    // A folder of `run` the undo just made should have taken back and did not; 0 when none.
    uint64_t LeftBehind(const RunModel& run, const std::map<uint64_t, Node>& before) const;
    // A run of another copy over folders apart from all `op` may touch, or none when there are none.
    std::optional<Op> RivalOf(const Op& op, const Expected& expected) const;

    SimWorld world_;
    std::vector<uint64_t> work_;  // folders (and links, files) an op may name
    std::vector<RunModel> runs_;
    std::set<uint64_t> simTemps_;   // folders the simulation itself named like temporary ones
    bool tornByCut_ = false;        // the last cut also garbled its run's own record
    bool endOutlastedCut_ = false;  // the last op was cut, yet the end record of its run or undo is on disk
    uint64_t ownFolder_ = 0;        // where the journal lives
    uint64_t outside_ = 0;          // a tree no op names: where swapped-in links lead
    uint32_t nextProcess_ = 100;
};

// Runs the simulation of `seed`; on failure, shrinks the operations to the
// fewest that still fail and says how to replay them.
struct SeedResult {
    uint64_t ops = 0, processes = 0;
    std::optional<std::string> failure;  // the report, with the replay line
};
SeedResult RunSeed(uint64_t seed, size_t ops, bool shrink = true);
// Replays the ops of `seed` with these indices only, those in `calm` without their faults.
std::optional<Failure> Replay(uint64_t seed,
                              size_t ops,
                              const std::vector<size_t>& keep,
                              bool trace = false,
                              const std::set<size_t>& calm = {});

}  // namespace kelvaro::sim
