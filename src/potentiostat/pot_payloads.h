#pragma once

#include "potentiostat/step_text.h"

#include <array>
#include <cstdint>

namespace qor::potentiostat {

inline constexpr std::size_t kSlotSize = 40;
inline constexpr std::size_t kSettingsSize = 24;
inline constexpr std::size_t kStateSize = 18;
inline constexpr int kMaxSteps = 255;

using StepSlot = std::array<std::uint8_t, kSlotSize>;
using SettingsBytes = std::array<std::uint8_t, kSettingsSize>;
using StateBytes = std::array<std::uint8_t, kStateSize>;

// One step slot as sent with 0xD1 and answered to 0xE1. `number` is the slot's step number.
StepSlot EncodeSlot(const DeviceStep& d, std::uint8_t number, bool modified);
// The slot behind the last step: its number and the empty mark only.
StepSlot EmptySlot(std::uint8_t number);
DeviceStep DecodeSlot(const std::uint8_t* slot);

// The software filter: combo index to the code the module takes, and back.
std::uint8_t FilterCode(int index);
int FilterIndex(std::uint8_t code);

// The module settings the setup window holds (-1: nothing chosen yet).
struct PotSettings {
    int voltageRange = 0;
    int currentRange = 0;
    int voltageManual = 0;
    int currentManual = 0;
    int capacitance = -1;
    int filterIndex = -1;
    int compensation = -1;
    int irCapacitor = -1;
    int slider1 = 0;
    int slider2 = 0;
    std::uint8_t irByte = 0;
    std::uint8_t interruptionInterval = 0;
    std::uint8_t offTime = 0;
    std::uint8_t hardwareFilter = 0;
    std::uint32_t aux = 100;
    int dataRate10Hz = 0;

    bool operator==(const PotSettings&) const = default;
};

// The 0xD2 payload of the setup window.
SettingsBytes EncodeSettings(const PotSettings& s);
// Takes over a 0xE2 answer's 24 data bytes (the controls follow from it).
void DecodeSettings(const std::uint8_t* data, PotSettings& s);

// The hardware filter byte: voltage input filter in bits 0-1, current input filter in bits
// 4-5, all filters off in bit 6.
struct HardwareFilter {
    int voltage = 0;
    int current = 0;
    bool disabled = false;
};
HardwareFilter SplitHardwareFilter(std::uint8_t b);
std::uint8_t JoinHardwareFilter(const HardwareFilter& f);

// The operating state of command 0x19.
struct OperatingState {
    std::int8_t mode = 0;  // 0 galvanostat, 1 potentiostat, 2 rest potential
    std::int8_t relay = 0;
    float setValue = 0;  // µA in mode 0, mV in mode 1
};
StateBytes EncodeStateRead();
StateBytes EncodeStateSet(const OperatingState& s);
OperatingState DecodeState(const std::uint8_t* data);

}  // namespace qor::potentiostat
