#include "ember/EmberSession.h"

#include "ember/Ber.h"

#include <algorithm>
#include <map>
#include <set>

namespace {

Bytes Framed(const std::vector<GlowElement>& Elements)
{
    return Elements.empty() ? Bytes() : EmberMessageFrames(EncodeGlow(Elements));
}

// The answer to one connection operation; takes are collected, not made.
GlowConnection Operate(const Model& m, const GlowConnection& Op, bool TakesAllowed, std::vector<EmberTake>& Takes)
{
    const int source = TakesAllowed ? EmberTakeSource(m, Op) : -1;
    const int target = static_cast<int>(Op.Target);
    if (source < 0)
        return EmberConnectionOf(m, target, std::nullopt);
    Takes.push_back({target, source});
    GlowConnection pending = EmberConnectionOf(m, target, Glow::DispositionPending);
    pending.Sources = std::vector<uint32_t>{static_cast<uint32_t>(source)};
    return pending;
}

// The elements answering Requests; a path is answered once, a target's last operation counts.
std::vector<GlowElement> Answer(EmberConsumer& c, const EmberSnapshot& Snap, const Model& m,
                                const std::vector<EmberRequest>& Requests, bool TakesAllowed,
                                std::vector<EmberTake>& Takes)
{
    using Kind = EmberRequest::Kind;
    std::vector<GlowElement> out;
    std::set<std::pair<Kind, GlowPath>> done;
    std::map<int64_t, GlowConnection> operations;
    for (const EmberRequest& r : Requests) {
        if (r.Type == Kind::Connect) {
            if (r.Path == GlowPath{1, 1} && r.Connection.Target >= 0 && r.Connection.Target < EmberTargetCount(m))
                operations[r.Connection.Target] = r.Connection;
            continue;
        }
        if (!done.insert({r.Type, r.Path}).second)
            continue;
        if (r.Type == Kind::Directory || r.Type == Kind::Subscribe)
            c.Scopes |= EmberScopeOf(r.Path);
        if (r.Type == Kind::Unsubscribe)
            c.Scopes &= ~EmberScopeOf(r.Path);
        if (r.Type == Kind::Directory) {
            const std::vector<GlowElement> d = EmberDirectory(Snap, m, r.Path);
            out.insert(out.end(), d.begin(), d.end());
        }
        if (r.Type == Kind::SetValue) {
            if (std::optional<GlowElement> v = EmberParameterValue(Snap, r.Path))
                out.push_back(*v);
        }
    }
    if (!operations.empty()) {
        std::vector<GlowConnection> answers;
        for (const auto& [target, op] : operations)
            answers.push_back(Operate(m, op, TakesAllowed, Takes));
        out.push_back(EmberRouterConnections(std::move(answers)));
    }
    return out;
}

}  // namespace

size_t EmberUnfinished(const EmberConsumer& c) { return c.Reader.Frame.size() + c.Assembly.Message.size(); }

void QueueEmberMessage(Bytes& Queue, const Bytes& Message)
{
    Queue += BerItemBytes(Ber::Universal, false, Ber::OctetString, Message);
}

bool TakeEmberMessage(Bytes& Queue, Bytes& Message)
{
    BerDocument doc{Queue};
    BerReader reader(doc);
    BerItem item;
    if (!reader.Next(item) || !item.Is(Ber::Universal, Ber::OctetString)) {
        Queue.clear();
        return false;
    }
    Message = Queue.substr(item.Begin, item.End - item.Begin);
    Queue.erase(0, item.End);
    return true;
}

EmberIntake ReadEmberInput(EmberConsumer& c, const Bytes& Chunk)
{
    EmberIntake in;
    std::vector<Bytes> payloads;
    ReadS101(c.Reader, Chunk, EmberInputCap, payloads);
    for (const Bytes& p : payloads) {
        Bytes message;
        switch (ReadEmberPacket(c.Assembly, p, EmberInputCap, message)) {
        case EmberPacketKind::KeepAliveRequest: in.Replies += KeepAliveResponseFrame(); break;
        case EmberPacketKind::Message: in.Messages.push_back(std::move(message)); break;
        case EmberPacketKind::TooLarge: in.OverCap = true; break;
        default: break;
        }
    }
    in.OverCap = in.OverCap || c.Reader.Overflowed;
    return in;
}

EmberAnswer AnswerEmberMessage(EmberConsumer& c, const Bytes& Message, const EmberSnapshot& Snap, const Model& m,
                               bool TakesAllowed)
{
    EmberAnswer a;
    std::vector<GlowElement> elements;
    if (!DecodeGlow(Message, elements)) {
        a.Malformed = true;
        return a;
    }
    a.Reply = Framed(Answer(c, Snap, m, EmberRequests(elements), TakesAllowed, a.Takes));
    return a;
}

Bytes EmberUpdatesFor(const EmberConsumer& c, const std::vector<EmberUpdate>& Updates)
{
    std::vector<GlowElement> mine;
    for (const EmberUpdate& u : Updates) {
        if (u.Scope & c.Scopes)
            mine.push_back(u.Element);
    }
    return Framed(mine);
}

EmberUpdate EmberTally(const Model& m, const std::vector<int>& Targets)
{
    std::vector<GlowConnection> connections;
    for (int t : Targets) {
        if (t >= 0 && t < EmberTargetCount(m))
            connections.push_back(EmberConnectionOf(m, t, Glow::DispositionTally));
    }
    return {EmberScope::Router, EmberRouterConnections(std::move(connections))};
}
