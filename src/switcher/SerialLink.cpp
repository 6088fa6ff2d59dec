#include "switcher/SerialLink.h"

#include "disk/Logs.h"
#include "disk/StatusDisplay.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/ControlBytes.h"
#include "model/Server.h"
#include "switcher/SwitcherFamily.h"
#include "switcher/ToSwitcher.h"

#include <algorithm>

namespace {

constexpr int RetryEveryPollTicks = 12;  // 3 seconds of 250 ms ticks

std::string SerialErrorText(int code)
{
    if (code == SerialReceiveOverflowError)
        return "Serial Port Receive Buffer Overflow";
    if (code == SerialOverrunError)
        return "Serial Port Overrun";
    return "Serial Port Error #" + std::to_string(code);
}

}  // namespace

void OnSerialError(Server& s, int Code)
{
    LogTrappedError(s, SerialErrorText(Code), "Serial Error", 0, "");
    // A port that failed while open is reopened by the supervision; the
    // failure has been reported once here.
    if (!s.serial.isOpen())
        s.SerialFailureReported = true;
}

void OnSerialData(Server& s, const Bytes& Chunk)
{
    Trap(s, "MSComm1 Error (" + std::to_string(s.cfg.CommPort) + ")", "Serial Error", [&] {
        if (!s.cfg.PassThru && s.Link.Awaiting()) {
            s.Link.StopAwaiting();
            LogSerialMessage(s, "Switcher Connection", s.cfg.CommPort);
        }
        ShowSerialActivity(s);
        if (Chunk.empty())
            return;
        s.counters.SerialBytesIn += Chunk.size();
        s.Link.ClearMisses();
        Bytes collected = Chunk;
        if (ByteAt(Chunk, 0) == ControlByte::Acknowledge) {
            s.reports().SwitcherConnected(s, true);
            s.ModuleUpgradeActive = false;
            // Only the answer byte itself is consumed here; what follows it in
            // the same chunk is data like any other.
            if (!s.cfg.PassThru)
                collected.erase(0, 1);
        }
        if (collected.empty())
            return;
        s.NoteTraffic();
        if (s.cfg.PassThru) {
            s.reports().PassThrough(s, collected);
            return;
        }
        if (s.SerialBuffer.empty())
            s.SerialHeadSinceMs = s.timers.nowMs();
        s.SerialBuffer += collected;
        s.timers.enable(TimerId::SerialDecode, 0);
    });
}

bool SerialBufferOverflowed(Server& s)
{
    if (s.SerialBuffer.size() <= SerialBufferLimit)
        return false;
    LogTrappedError(s, "Buffer Overflow", "Vela Command Error", 0, "");
    s.SerialBuffer.clear();
    return true;
}

void DecodeSwitcherMessage(Server& s)
{
    if (SerialBufferOverflowed(s))
        return;
    // Without a decoder for the family the bytes wait for the idle discard.
    const SwitcherFamily* family = ConfiguredFamily(s);
    if (family != nullptr && family->Decode != nullptr)
        family->Decode(s);
}

void LoopBackToDecoder(Server& s, const Bytes& Frame)
{
    // The demo's echo never crossed the line.
    const uint64_t framesIn = s.counters.SerialFramesIn;
    s.SerialBuffer = Frame;
    DecodeSwitcherMessage(s);
    s.counters.SerialFramesIn = framesIn;
}

void OnSerialDecodeTick(Server& s)
{
    const size_t before = s.SerialBuffer.size();
    if (before > 0)
        DecodeSwitcherMessage(s);
    if (s.SerialBuffer.empty()) {
        s.timers.disable(TimerId::SerialDecode);
        return;
    }
    const long long now = s.timers.nowMs();
    if (s.SerialBuffer.size() != before) {
        // What follows the frame just worked off may be whole already; its
        // wait starts now, not when its bytes came in behind a long decode.
        s.SerialHeadSinceMs = now;
        s.timers.enable(TimerId::SerialDecode, 0);
        return;
    }
    // Only an unfinished message is left at the head: it is thrown away once
    // it has waited the idle time itself with no traffic meanwhile. Until
    // then the timer sleeps; new bytes start it again at once.
    const long long idle = now - std::max(s.SerialHeadSinceMs, s.LastTrafficMs);
    if (idle > SerialIdleDiscardMs) {
        s.SerialBuffer.clear();
        s.NoteTraffic();
        s.timers.disable(TimerId::SerialDecode);
        return;
    }
    s.timers.enable(TimerId::SerialDecode, static_cast<int>(SerialIdleDiscardMs - idle + 1));
}

Bytes TakeSerialBytes(Server& s, size_t Count)
{
    Bytes taken = TakeBytes(s.SerialBuffer, Count);
    // A whole frame ends with its end byte; what else is taken is dropped.
    if (taken.size() > 1 && ByteAt(taken, taken.size() - 1) == ControlByte::EndOfMessage)
        ++s.counters.SerialFramesIn;
    return taken;
}

Bytes CutSwitcherFrame(Server& s, bool (*Single)(Server& s, unsigned char Byte))
{
    Bytes& buffer = s.SerialBuffer;
    size_t start = 0;
    size_t end = Bytes::npos;  // the first FF at or after start
    while (true) {
        start = FirstHighByte(buffer, start, buffer.size());
        if (start == buffer.size()) {
            buffer.clear();
            return Bytes();
        }
        const unsigned char command = ByteAt(buffer, start);
        if (Single(s, command)) {
            buffer.erase(0, start + 1);
            return Bytes();
        }
        if (end == Bytes::npos || end < start)
            end = buffer.find(static_cast<char>(ControlByte::EndOfMessage), start);
        if (end == Bytes::npos) {
            buffer.erase(0, start);  // wait for the rest of the frame
            return Bytes();
        }
        const size_t cut = FirstHighByte(buffer, start + 1, end);
        if (cut < end) {
            // The frame lost its end; a new one starts at cut.
            LogSoftwareError(s, "Incomplete Message " + HexText(command), 0, "Switcher");
            start = cut;
            continue;
        }
        buffer.erase(0, start);
        return TakeSerialBytes(s, end - start + 1);
    }
}

void SendToSwitcher(Server& s, const Bytes& Message)
{
    if (!s.serial.isOpen())
        return;
    Trap(s, "Error Sending Message to serial port", "Serial Message Error", [&] {
        ShowSerialActivity(s);
        s.NoteTraffic();
        if (!Message.empty()) {
            ++s.counters.SerialFramesOut;
            s.counters.SerialBytesOut += Message.size();
        }
        Bytes rest = Message;
        while (rest.size() > SerialSendPiece)
            s.serial.write(SplitMessage(rest, SerialSendPiece));
        if (!rest.empty())
            s.serial.write(rest);
    });
}

void SwitcherCommand(Server& s, const std::string& Text, const std::function<void()>& Send)
{
    if (!s.cfg.DemoMode)
        Trap(s, Text, "Switcher Command Error", Send);
}

const std::string& ChosenSerialDevice(const Server& s)
{
    return s.cfg.SerialDeviceOption.empty() ? s.cfg.SerialDevice : s.cfg.SerialDeviceOption;
}

std::string SerialDevicePath(const Server& s)
{
    if (!ChosenSerialDevice(s).empty())
        return ChosenSerialDevice(s);
#ifdef _WIN32
    return "COM" + std::to_string(s.cfg.CommPort);
#else
    return "/dev/ttyS" + std::to_string(s.cfg.CommPort - 1);
#endif
}

std::string SerialStatusCaption(const Server& s)
{
    const std::string& device = ChosenSerialDevice(s);
    const std::string port = device.empty() ? "COM " + std::to_string(s.cfg.CommPort) : device;
    return "Router Serial Activity [" + port + " - " + s.cfg.BaudRate + " Baud]";
}

std::string SerialPortName(const Server& s)
{
    const std::string& device = ChosenSerialDevice(s);
    return device.empty() ? "Com " + std::to_string(s.cfg.CommPort) : device;
}

bool OpenSerialPort(Server& s, std::string& error)
{
    if (s.serial.isOpen())
        return true;
    if (!s.serial.open(SerialDevicePath(s), s.cfg.BaudRate + ",n,8,1", error))
        return false;
    s.Link.Await();
    s.SerialFailureReported = false;
    s.SerialRetryTicks = 0;
    // Asked at once rather than on the next supervision tick, up to a second
    // later; supervision asks again until the switcher answers.
    RequestSwitcherTables(s, 1, NoneValue, 0);
    return true;
}

void SuperviseSerialPort(Server& s)
{
    if (!s.SerialPortWanted || !s.ServerEnabled || s.cfg.DemoMode || s.serial.isOpen())
        return;
    if (++s.SerialRetryTicks < RetryEveryPollTicks)
        return;
    s.SerialRetryTicks = 0;
    std::string error;
    if (OpenSerialPort(s, error) || s.SerialFailureReported)
        return;
    s.SerialFailureReported = true;
    LogTrappedError(s, "Error opening Serial Port " + SerialDevicePath(s), "Serial Error", 0, error);
}
