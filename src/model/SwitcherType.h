#pragma once
// The switcher the server is configured for; the value is its code on the
// wire and in the soft panel files.
enum class SwitcherType : int { PassThru = 0, Draco = 1001, Orion = 1201, Vela = 1301 };

constexpr int TypeCode(SwitcherType Type) { return static_cast<int>(Type); }
