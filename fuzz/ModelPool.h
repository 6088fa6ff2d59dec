#pragma once
// Models made once per process. Sizing a family's model (a Vela's, 256 x 256
// for an Orion, demo data) costs more than decoding most inputs, so each
// family's model is made once, and every input gets it back exactly as it was
// made: the tables the last input changed are put back, the rest is left
// alone, and now and then the whole model is compared with the one made, so
// that a change the restore missed cannot reach the next input unnoticed.
#include "model/Model.h"

#include "WriteWatch.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// Tables at least this big are watched for writes rather than compared.
constexpr size_t WatchedTableBytes = 4096;

// Calls Each(To.Field, From.Field) for every field of the model. A field
// missing here is found by the whole-model check of ModelPool::Take.
template <class Each>
HVN_FUZZ_UNTRACED void ForEachField(Model& To, const Model& From, Each&& Visit)
{
    const auto each = [&](auto... Members) { (Visit(To.*Members, From.*Members), ...); };
    using M = Model;
    each(&M::SwitcherType, &M::NumSources, &M::NumDestinations, &M::NumRelays, &M::NumOptos, &M::PollReload,
         &M::AllUpdateFlags, &M::UpdateFlags, &M::DeferredRequestFlags, &M::CrosspointMap, &M::SourceAlphas,
         &M::DestinationAlphas, &M::SourceAlphasRaw, &M::DestinationAlphasRaw, &M::SourceSortTable,
         &M::DestinationSortTable, &M::RelayAlphas, &M::OptoAlphas, &M::RelaySortTable, &M::OptoSortTable,
         &M::SalvoAlphas, &M::SalvoSortTable, &M::SalvoEvents, &M::ClientSalvoEvents, &M::NumSalvos, &M::NumSalvoEvents,
         &M::SourceLinks, &M::DestinationLinks, &M::InhibitMap, &M::TemplateAssignment, &M::ClientTemplateAssignment,
         &M::NumTemplates, &M::ButtonsPerTemplate, &M::ButtonTemplates, &M::ButtonData, &M::SourceGains,
         &M::DestinationGains, &M::TransitionControl, &M::RelayStates, &M::OptoStates, &M::SwitcherConfig,
         &M::NumFrames, &M::SourceDisplayLists, &M::DestinationDisplayLists, &M::ClockMode, &M::ClockSetting,
         &M::GainOffsets, &M::RelayConfig, &M::CardVersions, &M::ClientSalvoCount, &M::ClientSalvoEventCount,
         &M::UploadedTemplates);
}

// Whether everything an entry holds lies inside the entry, so that a change
// to it is a write to the table that holds it: plain values do, texts short
// enough to be kept inside the string (as names are) do, and records whose
// lists are empty do. The structured bindings name every field, so a field
// added to a record stops the build here until it is looked at.
HVN_FUZZ_UNTRACED inline bool Inside(const std::string& Text)
{
    const auto* self = reinterpret_cast<const char*>(&Text);
    return Text.data() >= self && Text.data() < self + sizeof Text;
}
template <size_t N>
bool Inside(const std::array<std::string, N>& Texts);
// Whether every entry of List is held inside itself.
template <class Entries>
HVN_FUZZ_UNTRACED bool AllInside(const Entries& List)
{
    for (size_t i = 0; i < List.size(); ++i)
        if (!Inside(List[i]))
            return false;
    return true;
}
HVN_FUZZ_UNTRACED inline bool Inside(const PortRecord& Port)
{
    [[maybe_unused]] const auto& [state, status, channelCount, typeCode, channels] = Port;
    return channels.empty();
}
HVN_FUZZ_UNTRACED inline bool Inside(const CardRecord& Card)
{
    [[maybe_unused]] const auto& [flag, frameStatus, count, spare, present, portCount, ports, status, typeCode,
                                  settings] = Card;
    return AllInside(ports);
}
HVN_FUZZ_UNTRACED inline bool Inside(const FrameRecord& Frame)
{
    [[maybe_unused]] const auto& [cards, typeCode] = Frame;
    return AllInside(cards);
}
HVN_FUZZ_UNTRACED inline bool Inside(const DisplayListRecord& List)
{
    [[maybe_unused]] const auto& [name, members] = List;
    return Inside(name) && members.empty();
}
HVN_FUZZ_UNTRACED inline bool Inside(const SalvoEventRecord& Event)
{
    [[maybe_unused]] const auto& [salvo, name, flags, values] = Event;
    return Inside(name);
}
template <size_t N>
HVN_FUZZ_UNTRACED bool Inside(const std::array<std::string, N>& Texts)
{
    return AllInside(Texts);
}
template <class T>
HVN_FUZZ_UNTRACED bool HeldInside(const std::vector<T>& Table)
{
    if constexpr (std::is_trivially_copyable_v<T>)
        return true;
    else if constexpr (requires(const T& t) { Inside(t); })
        return AllInside(Table);
    else
        return false;
}
template <class T>
bool Big(const std::vector<T>& Table)
{
    return Table.size() * sizeof(T) >= WatchedTableBytes;
}

// Puts one field back, copying only what differs. With a Watch, a big table
// held inside its storage is compared only where it may have been written.
struct RestoreField {
    WriteWatch* Watch;

    template <class T>
    HVN_FUZZ_UNTRACED void operator()(T& To, const T& From) const
    {
        if (!(To == From))
            To = From;
    }
    template <class T>
    HVN_FUZZ_UNTRACED void operator()(std::vector<T>& To, const std::vector<T>& From) const
    {
        if (To.size() != From.size()) {
            To = From;
        } else if (Watch != nullptr && Big(To)) {
            Watch->Unsure(To.data(), To.size() * sizeof(T),
                          [&](size_t At, size_t Length) { Part(To, From, At, Length); });
        } else if constexpr (std::is_trivially_copyable_v<T>) {
            Part(To, From, 0, To.size() * sizeof(T));
        } else {
            for (size_t i = 0; i < To.size(); ++i)
                (*this)(To[i], From[i]);
        }
    }
    HVN_FUZZ_UNTRACED void operator()(std::vector<bool>& To, const std::vector<bool>& From) const
    {
        if (To != From)
            To = From;
    }

    // Bytes At .. At + Length of two tables of equal size: plain values are
    // compared and copied as bytes (unequal padding only costs a copy),
    // others entry by entry.
    template <class T>
    HVN_FUZZ_UNTRACED void Part(std::vector<T>& To, const std::vector<T>& From, size_t At, size_t Length) const
    {
        if constexpr (std::is_trivially_copyable_v<T>) {
            auto* to = reinterpret_cast<unsigned char*>(To.data()) + At;
            const auto* from = reinterpret_cast<const unsigned char*>(From.data()) + At;
            if (Length != 0 && std::memcmp(to, from, Length) != 0)
                std::memcpy(to, from, Length);
        } else if (std::memcmp(reinterpret_cast<const char*>(To.data()) + At,
                               reinterpret_cast<const char*>(From.data()) + At, Length) != 0) {
            // Equal bytes are equal entries here too: their pointers point alike.
            for (size_t i = At / sizeof(T); i < To.size() && i * sizeof(T) < At + Length; ++i)
                (*this)(To[i], From[i]);
        }
    }
};

// Names big tables to the watch in the order RestoreField asks about them:
// with Held, those held inside their storage (to be watched); without, all
// (to tell whether the watched ones are still there).
struct WatchTables {
    WriteWatch& Watch;
    bool Held;

    template <class T>
    HVN_FUZZ_UNTRACED void operator()(T&, const T&) const
    {
    }
    HVN_FUZZ_UNTRACED void operator()(std::vector<bool>&, const std::vector<bool>&) const {}
    template <class T>
    HVN_FUZZ_UNTRACED void operator()(std::vector<T>& Table, const std::vector<T>&) const
    {
        const bool named = Big(Table) && (!Held || HeldInside(Table));
        if (named)
            Watch.Watch(Table.data(), Table.size() * sizeof(T));
        if constexpr (!std::is_trivially_copyable_v<T>) {
            if (!named || !Held)
                for (T& item : Table)
                    (*this)(item, item);
        }
    }
};

// The model of one family (and demo mode) as startup leaves it, made once,
// and the one the inputs use, put back to it before each input.
class ModelPool {
public:
    using Maker = Model (*)(SwitcherType Type, bool Demo);

    static ModelPool& For(SwitcherType Type, bool Demo, Maker Make)
    {
        static std::map<std::pair<SwitcherType, bool>, ModelPool> pools;
        const auto key = std::make_pair(Type, Demo);
        auto it = pools.find(key);
        if (it == pools.end())
            it = pools.try_emplace(key, Make(Type, Demo)).first;
        return it->second;
    }

    explicit ModelPool(Model Made) : made_(std::move(Made)), spare_(made_) {}
    ModelPool(const ModelPool&) = delete;
    ModelPool& operator=(const ModelPool&) = delete;

    // The model as it was made. Watching, its big tables stay read-only, and
    // the next Take() compares only what was written since.
    Model Take(bool Watching)
    {
        if (!Watching)
            watch_.Release();
        ForEachField(spare_, made_, RestoreField{Watching ? &watch_ : nullptr});
        if (takes_++ % WholeCheckEvery() == 0 && !(spare_ == made_)) {
            std::fprintf(stderr,
                         "the model was not put back as it was made: a field missing in ForEachField, or "
                         "a write the watch missed\n");
            std::abort();
        }
        if (Watching) {
            ForEachField(spare_, spare_, WatchTables{watch_, true});
            watch_.Arm();
        }
        watching_ = Watching;
        return std::move(spare_);
    }
    void Give(Model&& Used)
    {
        spare_ = std::move(Used);
        if (watching_) {
            // A table the input freed or moved must not stay protected.
            ForEachField(spare_, spare_, WatchTables{watch_, false});
            watch_.Confirm();
        }
    }

private:
    // HVN_FUZZ_CHECK_EVERY=1 compares the whole model before every input.
    static unsigned WholeCheckEvery()
    {
        static const unsigned every = [] {
            const char* set = std::getenv("HVN_FUZZ_CHECK_EVERY");
            return set != nullptr && std::atoi(set) > 0 ? static_cast<unsigned>(std::atoi(set)) : 1024u;
        }();
        return every;
    }

    Model made_;
    Model spare_;
    WriteWatch watch_;
    unsigned takes_ = 0;
    bool watching_ = false;
};
