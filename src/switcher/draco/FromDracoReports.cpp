// Takes, crosspoint maps, names, links and inhibits from a Draco switcher.
#include "disk/Logs.h"
#include "disk/SoftPanelFiles.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/draco/DracoFrame.h"
#include "switcher/draco/FromDraco.h"
#include "switcher/draco/ToDraco.h"

namespace {

constexpr size_t TakeLength = 7;
constexpr size_t NamesLength = 8 * DracoSize + 3;

}  // namespace

void DracoTake(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Take", "Switcher Command Error", [&] {
        if (Frame.size() != TakeLength) {
            LogDracoError(s, "Message Length Error", "DracoTake");
            return;
        }
        const int destination = ByteAt(Frame, 1) * 16 + ByteAt(Frame, 2);
        const int source = CombineBytes(ByteAt(Frame, 3), ByteAt(Frame, 4));
        // A damaged check byte still leaves a take that is probably right.
        if ((source & 127) != ByteAt(Frame, 5))
            LogDracoError(s, "Switcher Check Sum Error", "Take Command");
        if (!InDraco(destination) || !InDraco(source))
            return;
        s.model.CrosspointMap.at(static_cast<size_t>(destination)).Sources[0] = source;
        SaveTakeToNdf(s, destination, source);
        s.reports().CrosspointChanged(s, destination, source, DracoTakeType);
        LogDracoMessage(s, "Take - In:" + Digits(source + 1, 3) + "-->Out:" + Digits(destination + 1, 3));
        s.reports().SwitcherConnected(s, true);
    });
}

void DracoCrosspointMap(Server& s, const Bytes& Frame)
{
    const DracoValuesReport report{"Error Receiving Crosspoint Map", "DracoCrosspointMap", DracoSize};
    ReceiveDracoValues(s, Frame, report, [&](Model& m, const std::vector<int>& v) {
        for (size_t d = 0; d < v.size(); ++d)
            if (InDraco(v[d]))
                m.CrosspointMap.at(d).Sources[0] = v[d];
        SaveCrosspointMapNdf(s);
        LogDracoMessage(s, "32 Crosspoint Maps");
        m.UpdateFlags &= ~UpdateBit::Crosspoints;
        s.reports().SwitcherConnected(s, true);
        s.reports().TableChanged(s, UpdateBit::Crosspoints, 0, DracoSize);
    });
}

void DracoAlphas(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Alphas", "Switcher Command Error", [&] {
        const bool sources = ByteAt(Frame, 0) == 0xFC;
        const int table = sources ? TableSources : TableDestinations;
        if (Frame.size() != NamesLength) {
            LogDracoError(s, "Message Length Error", "DracoAlphas");
            return;
        }
        const DracoNames read = ReadDracoNames(Frame, DracoSize);
        if (!read.Checksum) {
            LogDracoError(s, "Switcher Check Sum Error", "DracoAlphas");
            return;
        }
        Model& m = s.model;
        LogDracoMessage(s, std::string("32 ") + (sources ? "Source Alpha Labels" : "Destination Alpha Labels"));
        // Keeps the switcher's order in the raw table and the name order,
        // each name with its own number, in the name and sort tables.
        SaveAlphaNdf(s, read.Names, table);
        // Soft panels get the new names even without asking.
        if (AnyPanelClient(s))
            s.AlphasChanged = true;
        const int64_t bit = sources ? UpdateBit::SourceAlphas : UpdateBit::DestinationAlphas;
        s.reports().TableChanged(s, bit, 0, DracoSize);
        m.UpdateFlags &= ~bit;
        s.reports().SwitcherConnected(s, true);
        // Consoles hear of new names once the switcher has sent everything.
        if (m.UpdateFlags == 0)
            s.reports().NamesChanged(s, table);
    });
}

void DracoLinks(Server& s, const Bytes& Frame)
{
    const DracoValuesReport report{"Error Receiving Links", "DracoLinks", LinkWords};
    ReceiveDracoValues(s, Frame, report, [&](Model& m, const std::vector<int>& w) {
        for (size_t word = 0; word < 2; ++word)
            for (size_t k = 0; k < 8; ++k) {
                const size_t first = 16 * word + 2 * k;
                const int destinationFlag = (w[word] >> k) & 1;
                const int sourceFlag = (w[word + 2] >> k) & 1;
                m.DestinationLinks.at(first) = m.DestinationLinks.at(first + 1) = destinationFlag;
                m.SourceLinks.at(first) = m.SourceLinks.at(first + 1) = sourceFlag;
            }
        LogDracoMessage(s, "32 Stereo Links");
        m.UpdateFlags &= ~(UpdateBit::SourceLinks | UpdateBit::DestinationLinks);
        s.reports().SwitcherConnected(s, true);
        s.reports().TableChanged(s, UpdateBit::SourceLinks | UpdateBit::DestinationLinks, 0, DracoSize);
    });
}

void DracoInhibits(Server& s, const Bytes& Frame)
{
    Trap(s, "Error Receiving Inhibits", "Switcher Command Error", [&] {
        Model& m = s.model;
        const std::optional<std::vector<int>> values =
            SoundDracoValues(s, Frame, DracoValuesLength(InhibitValues), "DracoInhibits");
        if (!values) {
            // A map cut short is asked for again with the next request of pending tables.
            if (Frame.size() != DracoValuesLength(InhibitValues))
                m.UpdateFlags |= UpdateBit::Inhibits;
            return;
        }
        for (size_t d = 0; d < DracoSize; ++d) {
            std::string text(DracoSize, '0');
            for (size_t source = 0; source < DracoSize; ++source)
                if (((*values)[4 * d + source / 8] >> (source % 8)) & 1)
                    text[source] = '1';
            m.InhibitMap.setText(d, text);
        }
        LogDracoMessage(s, "32 Inhibits Maps");
        m.UpdateFlags &= ~UpdateBit::Inhibits;
        s.SwitcherRequest.Active = 0;
        s.reports().SwitcherConnected(s, true);
        // Soft panels get the new map even without asking.
        if (AnyPanelClient(s))
            s.InhibitMapChanged = true;
        s.reports().TableChanged(s, UpdateBit::Inhibits, 0, DracoSize);
        SaveInhibitNdf(s, 0, DracoSize);
    });
}
