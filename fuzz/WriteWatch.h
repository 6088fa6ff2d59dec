#pragma once
// Which bytes of a model's big tables an input may have changed, found
// without reading them: the pages that only those tables occupy are kept
// read-only, and the first write to one is let through and noted. Putting the
// model back then compares only the pages written and the table ends that
// share a page with other memory; a Vela's button tables alone hold megabytes.
//
// Only whole pages between the first and the last byte of tables that lie
// one after the other are protected, so nothing else ever lives on them: the
// kernel, which fails a read() into a read-only page instead of faulting, never
// writes there. The pages stay protected from one input to the next, and are
// released as soon as a table was freed or moved.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

// The rig's own work stays out of the coverage the fuzzer steers by (and
// costs no comparison tracing).
#define HVN_FUZZ_UNTRACED __attribute__((no_sanitize("coverage")))

class WriteWatch {
    using Run = std::pair<uintptr_t, uintptr_t>;  // a run of whole pages: first, end

public:
    WriteWatch() = default;
    ~WriteWatch()
    {
        Release();
        std::vector<WriteWatch*>& all = Registry().All;
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
    WriteWatch(const WriteWatch&) = delete;
    WriteWatch& operator=(const WriteWatch&) = delete;

    // Calls Compare(Offset, Length) for each part of [Begin, Begin + Bytes)
    // that may differ from what it held when armed: all of it when it was not
    // armed as it stands. Asked in the order the regions were watched.
    template <class Compare>
    HVN_FUZZ_UNTRACED void Unsure(const void* Begin, size_t Bytes, Compare&& Part)
    {
        const uintptr_t begin = Address(Begin), end = begin + Bytes;
        const Region* r = Find(begin, Bytes);
        if (r == nullptr || overflow_ || r->Protected.first >= r->Protected.second) {
            Part(0, Bytes);
            return;
        }
        const auto [first, last] = r->Protected;
        if (begin < first)
            Part(0, first - begin);
        if (last < end)
            Part(last - begin, end - last);
        for (size_t i = 0; i < dirtyCount_; ++i) {
            const uintptr_t from = std::max(dirty_[i], first), to = std::min(dirty_[i] + page_, last);
            if (from < to)
                Part(from - begin, to - from);
        }
    }
    // Adds a region to the next round.
    HVN_FUZZ_UNTRACED void Watch(const void* Begin, size_t Bytes)
    {
        if (nextCount_ == next_.size())
            next_.resize(2 * nextCount_ + 64);
        next_[nextCount_++] = {Address(Begin), Bytes, {}};
    }
    // Protects the regions of this round. Runs of pages protected before
    // and still wanted stay so (only the pages written since go back to
    // read-only); runs no longer wanted are released, new ones protected.
    HVN_FUZZ_UNTRACED void Arm()
    {
        Enlist();
        if (overflow_)
            Release();  // written pages went unnoted: protect everything afresh
        armed_.assign(next_.begin(), next_.begin() + static_cast<std::ptrdiff_t>(nextCount_));
        std::vector<Run> runs = Runs();
        // Thousands of runs, nearly always the same as last time: compared
        // whole first, one by one only when the tables moved.
        if (!Same(runs, runs_)) {
            for (const auto& run : runs_)
                if (!Holds(runs, run))
                    mprotect(reinterpret_cast<void*>(run.first), run.second - run.first, PROT_READ | PROT_WRITE);
            for (const auto& run : runs)
                if (!Holds(runs_, run))
                    mprotect(reinterpret_cast<void*>(run.first), run.second - run.first, PROT_READ);
        }
        for (size_t i = 0; i < dirtyCount_; ++i)
            if (Within(runs, dirty_[i]))
                mprotect(reinterpret_cast<void*>(dirty_[i]), page_, PROT_READ);
        runs_.swap(runs);
        nextCount_ = 0;
        dirtyCount_ = 0;
        overflow_ = false;
        cursor_ = 0;
    }
    // After an input, with the regions the model holds now watched: the run
    // of an armed region that is not among them any more (its table was
    // freed or moved) is released, so that nothing else can come to live on
    // a protected page. What the input wrote stays noted for the restore.
    HVN_FUZZ_UNTRACED void Confirm()
    {
        size_t at = 0;
        for (const Region& r : armed_) {
            while (at < nextCount_ && (next_[at].Begin != r.Begin || next_[at].Bytes != r.Bytes))
                ++at;
            if (at < nextCount_)
                continue;
            at = 0;
            for (size_t k = 0; k < runs_.size(); ++k)
                if (r.Begin + r.Bytes > runs_[k].first && r.Begin < runs_[k].second) {
                    mprotect(reinterpret_cast<void*>(runs_[k].first), runs_[k].second - runs_[k].first,
                             PROT_READ | PROT_WRITE);
                    runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(k));
                    break;
                }
        }
        nextCount_ = 0;
        cursor_ = 0;
    }
    // Nothing protected, nothing armed.
    void Release()
    {
        for (const auto& [first, end] : runs_)
            mprotect(reinterpret_cast<void*>(first), end - first, PROT_READ | PROT_WRITE);
        runs_.clear();
        armed_.clear();
        dirtyCount_ = 0;
    }

private:
    struct Region {
        uintptr_t Begin;
        size_t Bytes;
        Run Protected;  // its bytes on pages kept read-only
    };
    static constexpr size_t MostDirtyPages = 4096;
    // Whether Next follows Prev with nothing else between them. Under
    // glibc they are then apart by its 16-byte header, too few for any other
    // block. Under AddressSanitizer every block of a size class takes the
    // same bytes in that class's own region, more than either table holds:
    // a gap smaller than that is the two blocks' own padding and red zones.
    static bool Follows(const Region& Prev, const Region& Next)
    {
        const uintptr_t end = Prev.Begin + Prev.Bytes;
        if (Next.Begin < end)
            return false;
#if defined(__has_feature) && __has_feature(address_sanitizer)
        return Next.Begin - end < std::min(Prev.Bytes, Next.Bytes);
#else
        return Next.Begin - end <= 16;
#endif
    }

    static uintptr_t Address(const void* P) { return reinterpret_cast<uintptr_t>(P); }

    HVN_FUZZ_UNTRACED const Region* Find(uintptr_t Begin, size_t Bytes)
    {
        const size_t n = armed_.size();
        for (size_t tried = 0, i = cursor_ < n ? cursor_ : 0; tried < n; ++tried, i = i + 1 < n ? i + 1 : 0)
            if (armed_[i].Begin == Begin && armed_[i].Bytes == Bytes) {
                cursor_ = i + 1;
                return &armed_[i];
            }
        return nullptr;
    }
    // Runs of armed regions that follow one another: the whole pages inside
    // each, which only they occupy.
    HVN_FUZZ_UNTRACED std::vector<Run> Runs()
    {
        std::vector<Run> runs;
        for (size_t i = 0; i < armed_.size();) {
            size_t j = i + 1;
            while (j < armed_.size() && Follows(armed_[j - 1], armed_[j]))
                ++j;
            const uintptr_t first = (armed_[i].Begin + page_ - 1) & ~(page_ - 1);
            const uintptr_t end = (armed_[j - 1].Begin + armed_[j - 1].Bytes) & ~(page_ - 1);
            if (first < end)
                runs.emplace_back(first, end);
            for (size_t k = i; k < j; ++k)
                armed_[k].Protected = {std::max(first, armed_[k].Begin),
                                       std::min(end, armed_[k].Begin + armed_[k].Bytes)};
            i = j;
        }
        return runs;
    }
    // Plain loops: the standard algorithms would be traced for the fuzzer.
    HVN_FUZZ_UNTRACED static bool Same(const std::vector<Run>& A, const std::vector<Run>& B)
    {
        if (A.size() != B.size())
            return false;
        for (size_t i = 0; i < A.size(); ++i)
            if (A[i].first != B[i].first || A[i].second != B[i].second)
                return false;
        return true;
    }
    HVN_FUZZ_UNTRACED static bool Holds(const std::vector<Run>& Runs, const Run& Wanted)
    {
        for (const Run& r : Runs)
            if (r.first == Wanted.first && r.second == Wanted.second)
                return true;
        return false;
    }
    HVN_FUZZ_UNTRACED static bool Within(const std::vector<Run>& Runs, uintptr_t Page)
    {
        for (const auto& [first, end] : Runs)
            if (Page >= first && Page < end)
                return true;
        return false;
    }

    HVN_FUZZ_UNTRACED bool Catch(uintptr_t At)
    {
        for (const auto& [first, end] : runs_)
            if (At >= first && At < end) {
                const uintptr_t page = At & ~(page_ - 1);
                mprotect(reinterpret_cast<void*>(page), page_, PROT_READ | PROT_WRITE);
                if (dirtyCount_ < MostDirtyPages)
                    dirty_[dirtyCount_++] = page;
                else
                    overflow_ = true;
                return true;
            }
        return false;
    }

    // Every watch of the process, for the fault handler; the sanitizers and
    // libFuzzer handle faults too: ours comes first and passes on every
    // fault outside the watched pages.
    struct Watches {
        std::vector<WriteWatch*> All;
        struct sigaction Previous {};
    };
    static Watches& Registry()
    {
        // Never destroyed: faults may come while the process ends.
        static Watches* watches = new Watches;
        return *watches;
    }
    void Enlist()
    {
        Watches& w = Registry();
        if (std::find(w.All.begin(), w.All.end(), this) != w.All.end())
            return;
        if (w.All.empty()) {
            struct sigaction action {};
            action.sa_sigaction = OnFault;
            action.sa_flags = SA_SIGINFO | SA_NODEFER;
            sigemptyset(&action.sa_mask);
            if (sigaction(SIGSEGV, &action, &w.Previous) != 0)
                std::abort();
        }
        w.All.push_back(this);
    }
    HVN_FUZZ_UNTRACED static void OnFault(int Signal, siginfo_t* Info, void* Context)
    {
        Watches& w = Registry();
        for (WriteWatch* watch : w.All)
            if (watch->Catch(reinterpret_cast<uintptr_t>(Info->si_addr)))
                return;
        const struct sigaction& before = w.Previous;
        if ((before.sa_flags & SA_SIGINFO) != 0 && before.sa_sigaction != nullptr)
            before.sa_sigaction(Signal, Info, Context);
        else if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN)
            before.sa_handler(Signal);
        else
            // The fault comes again and ends the process as it would have.
            sigaction(SIGSEGV, &before, nullptr);
    }

    const uintptr_t page_ = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    std::vector<Region> armed_, next_;  // next_ holds nextCount_ regions
    size_t nextCount_ = 0;
    size_t cursor_ = 0;
    std::vector<Run> runs_;  // protected, whole pages
    uintptr_t dirty_[MostDirtyPages] = {};
    size_t dirtyCount_ = 0;
    bool overflow_ = false;
};
