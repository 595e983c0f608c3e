// The settings file as the dialog writes it: the four keys in section [nuvo_k48], one a
// line with CRLF line breaks.
#pragma once

#include <string>
#include <string_view>

#include "settings/wave_settings.h"

namespace nuvo::test_support {

// Each value as it stands in the file, so a test can also write what the dialog never does.
inline std::string SettingsText(std::string_view detail, std::string_view speed,
                                std::string_view amplitude, std::string_view vertical) {
    std::string text = "[nuvo_k48]\r\n";
    text.append("Komakasa=").append(detail).append("\r\n");
    text.append("Speed=").append(speed).append("\r\n");
    text.append("Amp=").append(amplitude).append("\r\n");
    text.append("Tate=").append(vertical).append("\r\n");
    return text;
}

inline std::string SettingsText(int detail, int speed, int amplitude, int vertical) {
    return SettingsText(std::to_string(detail), std::to_string(speed), std::to_string(amplitude),
                        std::to_string(vertical));
}

inline std::string SettingsText(const TWaveSettings& settings) {
    return SettingsText(settings.detailLevel, settings.speed, settings.amplitude,
                        settings.vertical ? 1 : 0);
}

}  // namespace nuvo::test_support
