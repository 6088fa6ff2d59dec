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
    // Protects the regions of this round: when they are the armed ones, only
    // the pages written since; otherwise the old ones are released first.
    HVN_FUZZ_UNTRACED void Arm()
    {
        if (SameRegions()) {
            for (size_t i = 0; i < dirtyCount_; ++i)
                mprotect(reinterpret_cast<void*>(dirty_[i]), page_, PROT_READ);
        } else {
            Release();
            armed_.assign(next_.begin(), next_.begin() + static_cast<std::ptrdiff_t>(nextCount_));
            ProtectRuns();
        }
        nextCount_ = 0;
        dirtyCount_ = 0;
        overflow_ = false;
        cursor_ = 0;
    }
    // After an input, with the regions the model holds now watched: unless
    // every armed one is still among them (in order), a table was freed or
    // moved, and nothing stays protected.
    HVN_FUZZ_UNTRACED void Confirm()
    {
        size_t found = 0;
        for (size_t i = 0; i < nextCount_ && found < armed_.size(); ++i)
            if (next_[i].Begin == armed_[found].Begin && next_[i].Bytes == armed_[found].Bytes)
                ++found;
        if (found != armed_.size()) {
            Release();
            armed_.clear();
        }
        nextCount_ = 0;
        cursor_ = 0;
    }
    void Release()
    {
        for (const auto& [first, end] : runs_)
            mprotect(reinterpret_cast<void*>(first), end - first, PROT_READ | PROT_WRITE);
        runs_.clear();
        dirtyCount_ = 0;
    }

private:
    struct Region {
        uintptr_t Begin;
        size_t Bytes;
        std::pair<uintptr_t, uintptr_t> Protected;  // its bytes on pages kept read-only
    };
    static constexpr size_t MostDirtyPages = 4096;
    // Two tables one after the other are apart by their allocator's header:
    // 16 bytes with glibc (too few for any other block), a red zone under
    // AddressSanitizer (too few for another block of their size class).
#if defined(__has_feature) && __has_feature(address_sanitizer)
    static constexpr uintptr_t HeaderGap = 1024;
#else
    static constexpr uintptr_t HeaderGap = 16;
#endif

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
    HVN_FUZZ_UNTRACED bool SameRegions() const
    {
        if (nextCount_ != armed_.size())
            return false;
        for (size_t i = 0; i < nextCount_; ++i)
            if (next_[i].Begin != armed_[i].Begin || next_[i].Bytes != armed_[i].Bytes)
                return false;
        return true;
    }
    // Runs of regions that follow one another; the whole pages inside each.
    HVN_FUZZ_UNTRACED void ProtectRuns()
    {
        Enlist();
        for (size_t i = 0; i < armed_.size();) {
            size_t j = i + 1;
            while (j < armed_.size() && armed_[j].Begin >= armed_[j - 1].Begin + armed_[j - 1].Bytes &&
                   armed_[j].Begin - (armed_[j - 1].Begin + armed_[j - 1].Bytes) <= HeaderGap)
                ++j;
            const uintptr_t first = (armed_[i].Begin + page_ - 1) & ~(page_ - 1);
            const uintptr_t end = (armed_[j - 1].Begin + armed_[j - 1].Bytes) & ~(page_ - 1);
            if (first < end) {
                runs_.emplace_back(first, end);
                mprotect(reinterpret_cast<void*>(first), end - first, PROT_READ);
            }
            for (size_t k = i; k < j; ++k)
                armed_[k].Protected = {std::max(first, armed_[k].Begin),
                                       std::min(end, armed_[k].Begin + armed_[k].Bytes)};
            i = j;
        }
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
    std::vector<std::pair<uintptr_t, uintptr_t>> runs_;  // protected, whole pages
    uintptr_t dirty_[MostDirtyPages] = {};
    size_t dirtyCount_ = 0;
    bool overflow_ = false;
};
