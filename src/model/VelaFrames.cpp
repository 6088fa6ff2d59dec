#include "model/VelaFrames.h"

#include "model/ByteManipulation.h"
#include "model/FrameReader.h"

#include <algorithm>

FrameRecord* ConfigFrame(Model& m, int Frame)
{
    const int stored = std::clamp(std::min(m.NumFrames, static_cast<int>(m.SwitcherConfig.size())), 0, MaxStoredFrames);
    return Frame >= 0 && Frame < stored ? &m.SwitcherConfig[static_cast<size_t>(Frame)] : nullptr;
}

CardRecord* ConfigCard(FrameRecord* Frame, int Card)
{
    return Frame && Card >= 0 && Card < CardsPerFrame ? &Frame->Cards[static_cast<size_t>(Card)] : nullptr;
}

PortRecord* ConfigPort(CardRecord* Card, int Port)
{
    return Card && Port >= 0 && Port < PortsPerCard ? &Card->Ports[static_cast<size_t>(Port)] : nullptr;
}

ChannelRecord* ConfigChannel(PortRecord* Port, int Channel)
{
    return Port && Channel >= 0 && static_cast<size_t>(Channel) < Port->Channels.size()
               ? &Port->Channels[static_cast<size_t>(Channel)]
               : nullptr;
}

uint8_t* ConfigTreeValue(Model& m, TreeValue Which, int Level, int Frame, int Card, int Port, int Channel)
{
    const bool state = Which == TreeValue::State;
    FrameRecord* frame = ConfigFrame(m, Frame);
    CardRecord* card = ConfigCard(frame, Card);
    PortRecord* port = ConfigPort(card, Port);
    switch (Level) {
    case 1: return frame ? (state ? &frame->Cards[0].Flag : &frame->Cards[0].FrameStatus) : nullptr;
    case 2: return card ? (state ? &card->Present : &card->Status) : nullptr;
    case 3: return port ? (state ? &port->State : &port->Status) : nullptr;
    default: break;
    }
    ChannelRecord* channel = ConfigChannel(port, Channel);
    return channel ? (state ? &channel->State : &channel->Status) : nullptr;
}

bool WalkConfigTree(const Bytes& Frame, const ConfigTreeVisit& Visit, bool WholeFrame)
{
    FrameReader r(Frame, 2);
    const int frames = r.Byte();
    const int firstFrame = r.Byte();
    for (int f = firstFrame; f < firstFrame + frames && !r.Failed(); ++f) {
        const int frameValue = r.Byte();
        const int cards = r.Byte();
        const int firstCard = r.Byte();
        if (r.Failed())
            break;
        Visit(1, f, 0, 0, 0, frameValue);
        for (int c = firstCard; c < firstCard + cards && !r.Failed(); ++c) {
            const int cardValue = r.Byte();
            const int ports = r.Byte();
            const int firstPort = r.Byte();
            if (r.Failed())
                break;
            Visit(2, f, c, 0, 0, cardValue);
            for (int p = firstPort; p < firstPort + ports && !r.Failed(); ++p) {
                const int portValue = r.Byte();
                const int channels = r.Byte();
                const int firstChannel = r.Byte();
                if (r.Failed())
                    break;
                Visit(3, f, c, p, 0, portValue);
                for (int ch = firstChannel; ch < firstChannel + channels; ++ch) {
                    const int channelValue = r.Byte();
                    if (r.Failed())
                        break;
                    Visit(4, f, c, p, ch, channelValue);
                }
            }
        }
    }
    return WholeFrame ? r.Complete() : !r.Failed();
}

bool WalkConfig(const Bytes& Frame, Model* m)
{
    FrameReader r(Frame, 2);
    const int frames = r.Byte();
    const int firstFrame = r.Byte();
    for (int f = 0; f < frames && !r.Failed(); ++f) {
        FrameRecord* frame = m ? ConfigFrame(*m, firstFrame + f) : nullptr;
        const int cards = r.Byte();
        const int firstCard = r.Byte();
        if (frame && firstCard == 0)
            frame->Cards[0].Count = static_cast<uint8_t>(std::min(cards, CardsPerFrame));
        for (int c = 0; c < cards && !r.Failed(); ++c) {
            CardRecord* card = ConfigCard(frame, firstCard + c);
            const int type = r.Pair();
            std::array<int, 3> settings{};
            for (int& v : settings)
                v = r.Pair();
            const int ports = r.Byte();
            const int firstPort = r.Byte();
            if (card && !r.Failed()) {
                card->TypeCode = type;
                card->Settings = settings;
                if (firstPort == 0)
                    card->PortCount = static_cast<uint8_t>(std::min(ports, PortsPerCard));
            }
            for (int p = 0; p < ports && !r.Failed(); ++p) {
                PortRecord* port = ConfigPort(card, firstPort + p);
                const int portType = r.Pair();
                const int channels = r.Byte();
                const int firstChannel = r.Byte();
                if (port && !r.Failed()) {
                    port->TypeCode = portType;
                    if (firstChannel == 0) {
                        port->ChannelCount = static_cast<uint8_t>(channels);
                        port->Channels.resize(static_cast<size_t>(channels));
                    }
                }
                for (int k = 0; k < channels && !r.Failed(); ++k) {
                    std::array<int, 8> values{};
                    for (int& v : values)
                        v = r.Pair();
                    if (ChannelRecord* ch = ConfigChannel(port, firstChannel + k); ch && !r.Failed())
                        ch->Settings = values;
                }
            }
        }
    }
    return r.Complete();
}

std::optional<AlphaRun> ReadAlphaTable(const Bytes& Frame)
{
    FrameReader r(Frame, 2);
    AlphaRun run;
    const size_t length = static_cast<size_t>(r.Byte());
    const size_t count = static_cast<size_t>(r.Pair());
    run.First = r.Pair();
    if (r.Failed() || Frame.size() != (length + 2) * count + 9)
        return std::nullopt;
    for (size_t i = 0; i < count; ++i) {
        run.Names.push_back(r.Text(length));
        run.Sorts.push_back(r.Pair());
    }
    return run;
}

std::optional<DisplayListRun> ReadDisplayLists(const Bytes& Frame)
{
    FrameReader r(Frame, 2);
    DisplayListRun run;
    run.First = r.Pair();
    run.Count = r.Pair();
    for (int i = 0; i < run.Count && !r.Failed(); ++i) {
        DisplayListRecord list;
        list.Name = r.Text(8);
        const int members = r.Pair();
        // A member count is believed only as far as the frame carries it.
        if (static_cast<size_t>(members) * 2 > r.Remaining())
            return std::nullopt;
        for (int k = 0; k < members; ++k)
            list.Members.push_back(r.Pair());
        if (run.First + i < DisplayListCount)
            run.Lists.push_back(std::move(list));
    }
    if (!r.Complete())
        return std::nullopt;
    return run;
}

std::optional<PairRun> ReadPairRun(const Bytes& Frame)
{
    FrameReader r(Frame, 2);
    PairRun run;
    const int count = r.Pair();
    run.First = r.Pair();
    if (r.Failed() || Frame.size() != 2 * static_cast<size_t>(count) + 8)
        return std::nullopt;
    for (int i = 0; i < count; ++i)
        run.Values.push_back(r.Pair());
    return run;
}

std::optional<TransitionRun> ReadTransitionControl(const Bytes& Frame)
{
    FrameReader r(Frame, 2);
    TransitionRun run;
    const int count = r.Pair();
    run.First = r.Pair();
    const size_t size = static_cast<size_t>(r.Byte());
    if (r.Failed() || Frame.size() != size * static_cast<size_t>(count) + 9)
        return std::nullopt;
    for (int i = 0; i < count; ++i)
        run.Records.push_back(r.Text(size));
    return run;
}

void StoreTransitionControl(const TransitionRun& Run, std::vector<std::array<uint8_t, 6>>& Table, int Limit)
{
    for (size_t i = 0; i < Run.Records.size(); ++i) {
        const size_t at = static_cast<size_t>(Run.First) + i;
        if (at >= static_cast<size_t>(std::max(Limit, 0)) || at >= Table.size())
            continue;
        const Bytes& record = Run.Records[i];
        for (size_t k = 0; k < record.size() && k < Table[at].size(); ++k)
            Table[at][k] = static_cast<uint8_t>(ByteAt(record, k) & 127);
    }
}

void ReadGainOffsets(const Bytes& Frame, std::array<int, 2>& Offsets)
{
    FrameReader r(Frame, 2);
    for (int& offset : Offsets) {
        const int low = r.Byte();
        const int high = r.Byte();
        const int bits = low + 128 * (high & 63);
        offset = (high & 64) ? bits - 8192 : bits;
    }
}

std::optional<InhibitRun> ReadInhibitMap(const Bytes& Frame, InhibitRunLayout Layout, int Sources, int Outputs)
{
    FrameReader r(Frame, 2);
    InhibitRun run;
    run.Count = r.Pair();
    run.First = r.Pair();
    const size_t limit = static_cast<size_t>(std::max(Sources, 0));
    for (int i = 0; i < run.Count && !r.Failed(); ++i) {
        const bool keep = run.First + i < Outputs;
        std::string text;
        const int runs = r.Pair();
        for (int k = 0; k < runs && !r.Failed(); ++k) {
            unsigned char first = static_cast<unsigned char>(r.Byte());
            unsigned char second = static_cast<unsigned char>(r.Byte());
            const int flag = SplitFlagBit(Layout == InhibitRunLayout::Switcher ? first : second);
            const size_t length = static_cast<size_t>(CombineBytes(first, second));
            if (keep)
                text.append(std::min(length, limit - text.size()), flag ? '1' : '0');
        }
        if (keep) {
            text.resize(limit, '0');
            run.Texts.push_back(std::move(text));
        }
    }
    if (!r.Complete())
        return std::nullopt;
    return run;
}
