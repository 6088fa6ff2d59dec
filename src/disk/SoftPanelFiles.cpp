#include "disk/SoftPanelFiles.h"

#include "disk/Logs.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr int NameBytes = 8;
constexpr int ByteFileEntries = 256;             // xptmap.ndf, alpha.ndf and inhbt.ndf hold 256 entries
constexpr long ByteFileDestinationNames = 2304;  // alpha.ndf: 256 names and 256 sort bytes per table

// A data file written in place: panels polling it see a stable size, so it is
// never truncated, only created when missing.
class NdfFile {
public:
    explicit NdfFile(const fs::path& file)
    {
        if (fs::exists(file))
            f_.open(file, std::ios::in | std::ios::out | std::ios::binary);
        else
            f_.open(file, std::ios::out | std::ios::binary);
        if (!f_.is_open())
            throw RuntimeError(75, "Path/File access error");
    }

    void put(long position, const Bytes& data)
    {
        f_.seekp(position);
        f_.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!f_)
            throw RuntimeError(75, "Path/File access error");
    }
    void putByte(long position, int value) { put(position, Bytes(1, static_cast<char>(value & 0xFF))); }

private:
    std::fstream f_;
};

void AppendWord(Bytes& b, int value)
{
    b += static_cast<char>(value & 0xFF);
    b += static_cast<char>((value >> 8) & 0xFF);
}

Bytes Word(int value)
{
    Bytes b;
    AppendWord(b, value);
    return b;
}

// Every name takes exactly 8 bytes, so the entries after it stay in place.
Bytes Name8(const std::string& name)
{
    Bytes b = name.substr(0, NameBytes);
    b.resize(NameBytes, ' ');
    return b;
}

fs::path NdfPath(const Server& s, const char* name) { return s.cfg.AppPath + name; }

unsigned char NextNdfSequence(Server& s)
{
    s.NdfSequence = static_cast<unsigned char>(s.NdfSequence + 1);  // 255 wraps to 0
    return s.NdfSequence;
}

// Names in display order and the switcher number of each. Vela delivers its
// own order (entry i is the number of the i-th name); the others are sorted
// here by their upper-cased text.
void SortTable(const Model& m, bool sources, const std::vector<std::string>& received, std::vector<std::string>& names,
               std::vector<int>& order)
{
    if (!Family(m).OwnNameOrder) {
        names = received;
        order = IdentityOrder(static_cast<int>(received.size()));
        SortNames(names, order);
        return;
    }
    order = sources ? m.SourceSortTable : m.DestinationSortTable;
    const size_t n = received.size();
    const size_t known = std::min(order.size(), n);
    order.resize(n);
    for (size_t i = known; i < n; ++i)
        order[i] = static_cast<int>(i);
    names.assign(n, std::string());
    for (size_t i = 0; i < n; ++i)
        // The table comes from the switcher: an entry outside it names nothing.
        if (order[i] >= 0 && static_cast<size_t>(order[i]) < n)
            names[i] = received[static_cast<size_t>(order[i])];
}

Bytes NameBlock(const std::vector<std::string>& names)
{
    Bytes b;
    for (const std::string& n : names)
        b += Name8(n);
    return b;
}

void WriteByteAlphas(const Server& s, bool sources, const std::vector<std::string>& names,
                     const std::vector<int>& order)
{
    Bytes block = NameBlock(names);
    for (int entry : order)
        block += static_cast<char>(entry & 0xFF);
    NdfFile(NdfPath(s, "alpha.ndf")).put(sources ? 0 : ByteFileDestinationNames, block);
}

void WriteLongAlphas(const Server& s, bool sources, const std::vector<std::string>& names,
                     const std::vector<int>& order)
{
    const Model& m = s.model;
    Bytes block;
    long position = 0;
    if (sources) {
        AppendWord(block, TypeCode(m.SwitcherType));
        AppendWord(block, m.NumSources);
    } else {
        position = 10L * m.NumSources + 4;
        AppendWord(block, m.NumDestinations);
    }
    block += NameBlock(names);
    for (int entry : order)
        AppendWord(block, entry);
    NdfFile(NdfPath(s, "lalpha.ndf")).put(position, block);
}

}  // namespace

void WriteStatusNdf(Server& s, unsigned char Value, bool OnlyIfExists)
{
    const fs::path file = NdfPath(s, "Status.ndf");
    if (OnlyIfExists && !fs::exists(file))
        return;
    Trap(s, "Error Saving Status.ndf", "File Error", [&] { NdfFile(file).putByte(0, Value); });
}

void DeleteNdfFiles(Server& s)
{
    Trap(s, "Error Deleting Files", "File Error", [&] {
        for (const char* name : {"alpha.ndf", "inhbt.ndf", "butns.ndf", "xptmap.ndf", "lalpha.ndf", "lxptmap.ndf",
                                 "linhbt.ndf", "lbutns.ndf"}) {
            std::error_code ec;
            fs::remove(NdfPath(s, name), ec);
        }
    });
}

void SaveTakeToNdf(Server& s, int Destination, int Source)
{
    Trap(s, "Error Saving Take", "File Error", [&] {
        // Numbers from a switcher frame: outside the map they would write past it.
        if (Destination < 0 || Destination >= s.model.NumDestinations || Source < 0 || Source > NoneValue)
            return;
        const unsigned char sequence = NextNdfSequence(s);
        if (Family(s.model).ByteNdfFiles && Destination < ByteFileEntries) {
            NdfFile xpt(NdfPath(s, "xptmap.ndf"));
            xpt.putByte(0, sequence);
            xpt.putByte(Destination + 1, Source);
        }
        NdfFile lxpt(NdfPath(s, "lxptmap.ndf"));
        lxpt.putByte(0, sequence);
        // Where the source stands while every destination holds one source.
        lxpt.put(4L * Destination + 5, Word(Source));
    });
}

void SaveCrosspointMapNdf(Server& s)
{
    if (!s.cfg.MaintainNdf)
        return;
    Trap(s, "Error Saving Crosspoint Map", "Switcher Message Error", [&] {
        const Model& m = s.model;
        const unsigned char sequence = NextNdfSequence(s);
        if (Family(m).ByteNdfFiles) {
            NdfFile(NdfPath(s, "butns.ndf")).putByte(0, sequence);
            Bytes xpt(1, static_cast<char>(sequence));
            for (size_t d = 0; d < ByteFileEntries; ++d)
                xpt += static_cast<char>(d < m.CrosspointMap.size() ? m.CrosspointMap[d].Sources[0] & 0xFF : 0);
            NdfFile(NdfPath(s, "xptmap.ndf")).put(0, xpt);
        }
        const size_t destinations =
            std::min(m.CrosspointMap.size(), static_cast<size_t>(std::max(m.NumDestinations, 0)));
        Bytes lxpt(1, static_cast<char>(sequence));
        AppendWord(lxpt, static_cast<int>(destinations));
        for (size_t d = 0; d < destinations; ++d) {
            const CrosspointRecord& x = m.CrosspointMap[d];
            const int count = std::min<int>(x.SourceCount, MaxSourceEntries);
            AppendWord(lxpt, count);
            for (int k = 0; k < count; ++k)
                AppendWord(lxpt, x.Sources[static_cast<size_t>(k)]);
        }
        NdfFile(NdfPath(s, "lxptmap.ndf")).put(0, lxpt);
    });
}

void SaveAlphaNdf(Server& s, const std::vector<std::string>& Alphas, int Table)
{
    if (Table != TableSources && Table != TableDestinations)
        return;
    Trap(s, "Error Saving Alpha.ndf", "File Error", [&] {
        Model& m = s.model;
        const bool sources = Table == TableSources;
        const int count = std::max(sources ? m.NumSources : m.NumDestinations, 0);
        std::vector<std::string> received(Alphas.begin(),
                                          Alphas.begin() + std::min<long>(static_cast<long>(Alphas.size()), count));
        received.resize(static_cast<size_t>(count));

        std::vector<std::string> names;
        std::vector<int> order;
        SortTable(m, sources, received, names, order);
        (sources ? m.SourceAlphasRaw : m.DestinationAlphasRaw) = received;
        (sources ? m.SourceAlphas : m.DestinationAlphas) = names;
        (sources ? m.SourceSortTable : m.DestinationSortTable) = order;

        if (!s.cfg.MaintainNdf)
            return;
        if (Family(m).ByteNdfFiles)
            WriteByteAlphas(s, sources, names, order);
        WriteLongAlphas(s, sources, names, order);
    });
}

void SaveButtonsNdf(Server& s)
{
    if (!s.cfg.MaintainNdf)
        return;
    Trap(s, "Error Saving Buttons", "File Error", [&] {
        const Model& m = s.model;
        Bytes block;
        for (const std::vector<ButtonRecord>& buttons : m.ButtonData)
            for (const ButtonRecord& b : buttons)
                AppendWord(block, b.Values[0]);
        for (int t : m.TemplateAssignment)
            AppendWord(block, t);
        NdfFile(NdfPath(s, "butns.ndf")).put(0, block);
    });
}

void SaveInhibitNdf(Server& s, int StartDestination, int Count)
{
    if (!s.cfg.MaintainNdf)
        return;
    Trap(s, "Error Saving Inhbt.ndf", "File Error", [&] {
        const Model& m = s.model;
        // Only destinations the model holds; the range may come from a frame.
        const int first = std::max(StartDestination, 0);
        const int last = static_cast<int>(
            std::min({static_cast<long>(StartDestination) + Count - 1, static_cast<long>(m.NumDestinations) - 1,
                      static_cast<long>(m.InhibitMap.size()) - 1}));
        if (Family(m).ByteNdfFiles) {
            NdfFile inhbt(NdfPath(s, "inhbt.ndf"));
            for (int d = first; d <= std::min(last, ByteFileEntries - 1); ++d) {
                Bytes row(ByteFileEntries, '\0');
                for (size_t i = 0; i < row.size(); ++i)
                    row[i] = m.InhibitMap.inhibited(static_cast<size_t>(d), i) ? 1 : 0;
                inhbt.put(static_cast<long>(ByteFileEntries) * d, row);
            }
        }
        NdfFile linhbt(NdfPath(s, "linhbt.ndf"));
        linhbt.put(0, Word(m.NumDestinations) + Word(m.NumSources));
        const size_t width = static_cast<size_t>(std::max(m.NumSources, 0));
        for (int d = first; d <= last; ++d) {
            // Exactly one character per source, so every destination starts where panels look.
            std::string text = m.InhibitMap.text(static_cast<size_t>(d)).substr(0, width);
            text.resize(width, '0');
            linhbt.put(static_cast<long>(width) * d + 4, text);
        }
        WriteStatusNdf(s, 1, false);
    });
}
