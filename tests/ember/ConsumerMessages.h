#pragma once
// Glow messages as the real consumer (emberplus-connection 0.3.1) sent them
// to a provider with node 1 "HVN", matrix 1.1 "router" (2 targets, 3 sources)
// and names under 1.2: EmBER packet data, without framing.
#include "support/WireBytes.h"

#include <string>

namespace consumer {

// getDirectory on the tree: a bare GetDirectory at the root.
inline const Bytes RootGetDirectory = FromHex("600b6b09a0076205a003020120");
// expand() on node 1: its known contents and a GetDirectory.
inline const Bytes NodeGetDirectory =
    FromHex("602e6b2ca02a6a28a0030d0101a1143112a0050c0348564ea1090c0763617074696f6ea20b6409a0076205a003020120");
// The matrix's path and contents as the consumer knows them, in the next three.
inline const std::string RouterKnown =
    "a0040d020101a141313fa0080c06726f75746572a1080c06726f75746572a203020100a303020100a403020102a503020103aa153013a011"
    "720fa0040d020102a1070c056e616d6573";
// The connections it knows: target 0 from source 1, target 1 from source 0.
inline const std::string KnownConnections = "a51e301ca00c700aa003020100a1030d0101a00c700aa003020101a1030d0100";
// subscribe() and a second getDirectory() on the matrix, each with the connections it knows.
inline const Bytes MatrixSubscribe =
    FromHex("607c6b7aa0787176" + RouterKnown + "a20b6409a0076205a00302011e" + KnownConnections);
inline const Bytes MatrixGetDirectory =
    FromHex("607c6b7aa0787176" + RouterKnown + "a20b6409a0076205a003020120" + KnownConnections);
// matrixConnect(matrix, 0, [2]): an empty children collection and one connect operation.
inline const Bytes MatrixConnect =
    FromHex("606a6b68a0667164" + RouterKnown + "a2026400a5153013a011700fa003020100a1030d0102a203020101");
// getElementByPath("1.2.1.0"): the parameter's known contents, its value among them, and a GetDirectory.
inline const Bytes ParameterGetDirectory = FromHex(
    "60376b35a0336931a0060d0401020100a11a3118a0040c027430a2060c044f757431a503020101ad03020103a20b6409a0076205a003020"
    "120");

}  // namespace consumer
