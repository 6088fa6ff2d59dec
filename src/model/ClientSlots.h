#pragma once
// The connection slots of one listening port. Index 0 stays empty; slot i is
// socket i of the port. Every port's client record starts with PortClient, so
// the port base can take a connection in, read into it and let it go without
// knowing the rest of the record.
#include "platform/Bytes.h"

#include <string>
#include <vector>

struct PortClient {
    bool Connected = false;  // the slot holds an accepted connection
    std::string Address;
    Bytes ReceiveBuffer;
};

class SlotTable {
public:
    virtual ~SlotTable() = default;
    virtual int SlotCount() const = 0;
    virtual PortClient& Client(int Slot) = 0;
    virtual const PortClient& Client(int Slot) const = 0;
    // A slot past the last; returns its number.
    virtual int AddSlot() = 0;
    // The record as a new connection finds it.
    virtual void ResetSlot(int Slot) = 0;
    // No slots at all: numbering starts at 1 again.
    virtual void Clear() = 0;
    bool Valid(int Slot) const { return Slot >= 1 && Slot <= SlotCount(); }

    // Connections counted in; never below zero.
    int Count = 0;
};

template <class Record>
class ClientSlots : public SlotTable {
public:
    int SlotCount() const override { return static_cast<int>(Records.size()) - 1; }
    PortClient& Client(int Slot) override { return (*this)[Slot]; }
    const PortClient& Client(int Slot) const override { return (*this)[Slot]; }
    int AddSlot() override
    {
        Records.emplace_back();
        return SlotCount();
    }
    void ResetSlot(int Slot) override { (*this)[Slot] = Record{}; }
    void Clear() override
    {
        Records.resize(1);
        Count = 0;
    }
    Record& operator[](int Slot) { return Records.at(static_cast<size_t>(Slot)); }
    const Record& operator[](int Slot) const { return Records.at(static_cast<size_t>(Slot)); }

    std::vector<Record> Records{1};
};
