#include "switcher/draco/DracoQueue.h"

#include "disk/Logs.h"
#include "model/ByteManipulation.h"
#include "model/Server.h"
#include "switcher/SerialLink.h"
#include "switcher/draco/ToDraco.h"

namespace {

void Queue(Server& s, QueuedSwitcherCommand Command)
{
    std::deque<QueuedSwitcherCommand>& q = s.SwitcherQueue;
    if (q.size() >= DracoQueueLimit) {
        const std::string what =
            Command.Request ? "F2" : HexText(Command.Frame.empty() ? 0u : ByteAt(Command.Frame, 0));
        LogSoftwareError(s, "Command Queue Full - Dropped " + what, 0, "Switcher Command Error");
        return;
    }
    if (q.empty())
        s.SwitcherQueueDueMs = s.timers.nowMs() + Command.GapMs;
    q.push_back(std::move(Command));
    ReleaseDracoQueue(s);
}

}  // namespace

void QueueDracoFrame(Server& s, const Bytes& Frame, int GapMs) { Queue(s, {Frame, false, GapMs}); }

void QueueDracoRequest(Server& s, int GapMs) { Queue(s, {Bytes(), true, GapMs}); }

void ReleaseDracoQueue(Server& s)
{
    std::deque<QueuedSwitcherCommand>& q = s.SwitcherQueue;
    s.timers.disable(TimerId::SwitcherQueue);
    while (!q.empty()) {
        const long long now = s.timers.nowMs();
        if (now < s.SwitcherQueueDueMs) {
            s.timers.enable(TimerId::SwitcherQueue, static_cast<int>(s.SwitcherQueueDueMs - now));
            return;
        }
        // A frame waits for the table transfer to end; the decoder calls
        // again after every frame it handles.
        if (!q.front().Request && s.model.UpdateFlags != 0)
            return;
        const QueuedSwitcherCommand next = std::move(q.front());
        q.pop_front();
        if (!q.empty())
            s.SwitcherQueueDueMs = now + q.front().GapMs;
        if (next.Request)
            SendInfoRequestDraco(s, 1, NoneValue, 0);
        else
            SendToSwitcher(s, next.Frame);
    }
}
