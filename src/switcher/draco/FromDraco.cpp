#include "switcher/draco/FromDraco.h"

#include "disk/Logs.h"
#include "disk/Trap.h"
#include "model/ByteManipulation.h"
#include "model/ControlBytes.h"
#include "model/Server.h"
#include "switcher/SerialLink.h"
#include "switcher/draco/DracoFrame.h"
#include "switcher/draco/DracoQueue.h"

#include <algorithm>

namespace {

struct Report {
    const char* TrapText;
    void (*Handle)(Server&, const Bytes&);
};

// A Draco's texts run straight into the command byte.
void Unexpected(Server& s, const Bytes& Frame)
{
    LogSoftwareError(s, "Unexpected Command" + HexText(ByteAt(Frame, 0)), 0, "Switcher");
}
void Unknown(Server& s, const Bytes& Frame)
{
    LogSoftwareError(s, "Unknown Command" + HexText(ByteAt(Frame, 0)), 0, "Switcher");
}
void Ignored(Server&, const Bytes&) {}
void SalvoEvents(Server& s, const Bytes& Frame) { DracoSalvoEvents(s, Frame, 0); }
void LateSalvoEvents(Server& s, const Bytes& Frame) { DracoSalvoEvents(s, Frame, 1); }

Report ReportFor(unsigned char Command)
{
    switch (Command) {
    case 0xFE: return {"Error Decoding Take", DracoTake};
    case 0xF6: return {"Error Crosspoint Map", DracoCrosspointMap};
    case 0xFC: return {"Error Input Alphas", DracoAlphas};
    case 0xFB: return {"Error Output Alphas", DracoAlphas};
    case 0xFA: return {"Error Decoding Links", DracoLinks};
    case 0xFD: return {"Error Decoding Buttons", DracoButtons};
    case 0xF7: return {"Error Decoding Inhibits", DracoInhibits};
    case 0xF0: return {"Error Decoding Port Map", DracoPortMap};
    case 0xE9: return {"Error Decoding Salvo Count", DracoSalvoCount};
    case 0xEC: return {"Error Decoding Salvo Alphas", DracoSalvoAlphas};
    case 0xEB: return {"Error Decoding Salvos", SalvoEvents};
    case 0xEA: return {"Error Decoding Salvos", LateSalvoEvents};
    case 0xEF: return {"Error Input Sort Table", Unexpected};
    case 0xEE: return {"Error Output Sort Table", Unexpected};
    case 0xE8: return {"Error Decoding Salvo Key", Unexpected};
    case 0xE7: return {"Error Decoding Salvo Execute", Unexpected};
    case 0xED: return {"Error Decoding Salvo Sort Table", Ignored};
    case 0xE5: return {"Error Decoding Link Ports", Ignored};
    default: return {"Error Decoding Unknown Command", Unknown};
    }
}

// Cuts the next frame off the buffer; empty when there is none yet. Drops
// one byte that cannot start a frame per call, and the front of a frame
// that lost its end. Works on positions and cuts the buffer once, so a long
// run of broken frames costs one pass.
Bytes CutDracoFrame(Server& s, std::string& Step)
{
    Bytes& buffer = s.SerialBuffer;
    Step = "Error Determining Command";
    if (buffer.empty())
        return Bytes();
    if (!IsHighBitSet(ByteAt(buffer, 0))) {
        TakeSerialBytes(s, 1);
        return Bytes();
    }
    size_t start = 0;
    size_t end = Bytes::npos;  // the first FF after start
    while (true) {
        const unsigned char command = ByteAt(buffer, start);
        if (command == ControlByte::Acknowledge || command == ControlByte::KeepAlivePoll ||
            command == ControlByte::InfoRequest || command == ControlByte::EndOfMessage) {
            Step = "Error Decoding Ack";
            buffer.erase(0, start + 1);
            return Bytes();
        }
        if (command == ControlByte::Nack) {
            Step = "Error Decoding Nack";
            buffer.erase(0, start + 1);
            // Only logged: the decode path never waits for an operator.
            LogSoftwareError(s, "NACK received from Switcher", 0, "Message Error");
            return Bytes();
        }
        Step = "Error Finding FF";
        if (end == Bytes::npos || end <= start)
            end = buffer.find(static_cast<char>(ControlByte::EndOfMessage), start + 1);
        if (end == Bytes::npos) {
            buffer.erase(0, start);  // wait for the rest of the frame
            return Bytes();
        }
        Step = "Error Checking Incomplete Message";
        const size_t cut = FirstHighByte(buffer, start + 1, end);
        if (cut == end) {
            buffer.erase(0, start);
            return TakeSerialBytes(s, end - start + 1);
        }
        LogSoftwareError(s, "Incomplete Message " + HexText(command), 0, "Switcher");
        start = cut;
    }
}

}  // namespace

void DecodeDracoMessage(Server& s)
{
    if (SerialBufferOverflowed(s))
        return;
    std::string step = "Error Displaying Connection";
    Bytes frame;
    try {
        // Any byte from the switcher proves the link.
        s.reports().SwitcherConnected(s, true);
        frame = CutDracoFrame(s, step);
        if (!frame.empty()) {
            const Report report = ReportFor(ByteAt(frame, 0));
            step = report.TrapText;
            report.Handle(s, frame);
        }
    } catch (const std::exception& e) {
        const std::string command = frame.empty() ? std::string() : HexText(ByteAt(frame, 0));
        LogException(s, step + "Len : " + std::to_string(frame.size()) + ", " + command, "Draco Switcher Command Error",
                     e);
    }
    if (!s.SwitcherQueue.empty())
        ReleaseDracoQueue(s);
}

std::optional<DracoValues> ReadDracoValues(const Bytes& Frame, size_t Length)
{
    if (Frame.size() != Length || Length < 3 || (Length - 3) % 2 != 0)
        return std::nullopt;
    DracoValues read;
    int sum = 0;
    for (size_t i = 1; i + 2 < Length; i += 2) {
        const int value = CombineBytes(ByteAt(Frame, i), ByteAt(Frame, i + 1));
        read.Values.push_back(value);
        sum = (sum + value) & 127;
    }
    read.Checksum = sum == ByteAt(Frame, Length - 2);
    return read;
}

std::optional<std::vector<int>> SoundDracoValues(Server& s, const Bytes& Frame, size_t Length,
                                                 const std::string& Location)
{
    std::optional<DracoValues> read = ReadDracoValues(Frame, Length);
    if (!read) {
        LogDracoError(s, "Message Length Error", Location);
        return std::nullopt;
    }
    if (!read->Checksum) {
        LogDracoError(s, "Switcher Check Sum Error", Location);
        return std::nullopt;
    }
    return std::move(read->Values);
}

void ReceiveDracoValues(Server& s, const Bytes& Frame, const DracoValuesReport& Report,
                        const std::function<void(Model& m, const std::vector<int>& Values)>& Store)
{
    Trap(s, Report.TrapText, "Switcher Command Error", [&] {
        const std::optional<std::vector<int>> values =
            SoundDracoValues(s, Frame, DracoValuesLength(Report.Count), Report.Location);
        if (values)
            Store(s.model, *values);
    });
}

DracoNames ReadDracoNames(const Bytes& Frame, size_t Count)
{
    DracoNames read;
    int sum = 0;
    for (size_t i = 0; i < Count && 8 * i + 9 <= Frame.size(); ++i) {
        const Bytes name = Frame.substr(8 * i + 1, 8);
        for (char c : name)
            sum = (sum + static_cast<unsigned char>(c)) & 127;
        read.Names.push_back(name);
    }
    read.Checksum = Frame.size() >= 2 && sum == ByteAt(Frame, Frame.size() - 2);
    return read;
}

void LogDracoMessage(Server& s, const std::string& Text) { LogSerialMessage(s, Text, s.cfg.CommPort); }

void LogDracoError(Server& s, const std::string& Text, const std::string& Location)
{
    LogSoftwareError(s, Text, 0, Location);
}

bool AnyPanelClient(const Server& s)
{
    return std::any_of(s.HelmClients.Records.begin() + 1, s.HelmClients.Records.end(), [](const ClientRecord& c) {
        return c.LoggedIn && c.ClientType >= FirstPanelClientType && c.ClientType != NoClientType;
    });
}

bool AnyHelmPcClient(const Server& s)
{
    return std::any_of(s.HelmClients.Records.begin() + 1, s.HelmClients.Records.end(),
                       [](const ClientRecord& c) { return c.LoggedIn && c.ClientType == HelmPcClientType; });
}
