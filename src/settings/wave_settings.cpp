#include "settings/wave_settings.h"

#include <string>

#include "ui/ini_files.h"

namespace nuvo {

namespace {
constexpr std::string_view kDetailLevelKey = "Komakasa";
constexpr std::string_view kSpeedKey = "Speed";
constexpr std::string_view kAmplitudeKey = "Amp";
constexpr std::string_view kVerticalKey = "Tate";
}  // namespace

TWaveSettings ReadWaveSettings(ProfileFunctions& profile) {
    const TWaveSettings defaults;
    TIniFile ini(profile, std::string(kSettingsFileName));
    TWaveSettings settings;
    settings.detailLevel = ini.ReadInteger(kSettingsSection, kDetailLevelKey, defaults.detailLevel);
    settings.speed = ini.ReadInteger(kSettingsSection, kSpeedKey, defaults.speed);
    settings.amplitude = ini.ReadInteger(kSettingsSection, kAmplitudeKey, defaults.amplitude);
    settings.vertical = ini.ReadBool(kSettingsSection, kVerticalKey, defaults.vertical);
    return settings;
}

void WriteWaveSettings(ProfileFunctions& profile, const TWaveSettings& settings) {
    TIniFile ini(profile, std::string(kSettingsFileName));
    ini.WriteInteger(kSettingsSection, kDetailLevelKey, settings.detailLevel);
    ini.WriteInteger(kSettingsSection, kSpeedKey, settings.speed);
    ini.WriteInteger(kSettingsSection, kAmplitudeKey, settings.amplitude);
    ini.WriteBool(kSettingsSection, kVerticalKey, settings.vertical);
}

}  // namespace nuvo
