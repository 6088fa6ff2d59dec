#pragma once
// What the server knows of its switcher: whether it still awaits the first
// byte (the port was opened or the link lost), whether the switcher answers
// its keep-alive polls, and whether every table asked for has arrived. The
// supervision changes it through the events below; everybody else reads it.
class SwitcherLinkState {
public:
    bool Awaiting() const { return awaiting_; }
    bool Answering() const { return answering_; }
    bool OnLine() const { return onLine_; }
    // What a client command needs: a switcher that answers and has sent its tables.
    bool Ready() const { return answering_ && onLine_; }
    // Poll ticks without the answer to the last keep-alive poll.
    int Misses() const { return misses_; }
    // The answer to the last keep-alive poll is outstanding.
    bool AnswerOutstanding() const { return answering_ != answered_; }

    // The port was opened: the first byte is awaited.
    void Await() { awaiting_ = true; }
    void StopAwaiting() { awaiting_ = false; }
    void AllTablesArrived() { onLine_ = true; }
    // The switcher answered (its keep-alive answer, or a report).
    void Answered()
    {
        answering_ = answered_ = true;
        misses_ = 0;
    }
    void PollSent() { answered_ = false; }
    void CountMiss() { ++misses_; }
    void ClearMisses() { misses_ = 0; }
    // The switcher stopped answering: it is awaited again, its tables are
    // asked for again. False when it was not answering, which changes nothing
    // but the keep-alive count.
    bool Lost()
    {
        const bool was = answering_;
        if (was) {
            onLine_ = false;
            awaiting_ = true;
        }
        answering_ = answered_ = false;
        misses_ = 0;
        return was;
    }
    // Startup: nothing answers and nothing has arrived; the port decides
    // whether the first byte is awaited.
    void Reset()
    {
        onLine_ = answering_ = answered_ = false;
        misses_ = 0;
    }

private:
    bool awaiting_ = false;
    bool answering_ = false;
    // Cleared when a keep-alive poll goes out, set again by the answer.
    bool answered_ = false;
    bool onLine_ = false;
    int misses_ = 0;
};
