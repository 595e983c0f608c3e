// The four wave settings and the INI file that keeps them between runs.
#pragma once

#include <cstdint>
#include <string_view>

#include "ui/profile_functions.h"

namespace nuvo {

struct TWaveSettings {
    std::int32_t detailLevel = 1;   // 0 fine, 1 standard, 2 coarse
    std::int32_t speed = 350;       // the dialog offers 0 to 500; higher is faster
    std::int32_t amplitude = 10;    // percent of the screen width; the dialog offers 5 to 35
    bool vertical = false;          // longitudinal wave instead of the transverse one
    friend bool operator==(const TWaveSettings&, const TWaveSettings&) = default;
};

inline constexpr std::string_view kSettingsFileName = "nuvo_k48.ini";
inline constexpr std::string_view kSettingsSection = "nuvo_k48";

// Missing or unconvertible values give their defaults; nothing is range-checked.
TWaveSettings ReadWaveSettings(ProfileFunctions& profile);
// Writes Komakasa, Speed, Amp, Tate in that order; a failed write throws
// EIniFileException and leaves the remaining keys unwritten.
void WriteWaveSettings(ProfileFunctions& profile, const TWaveSettings& settings);

}  // namespace nuvo
