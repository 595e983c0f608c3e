// Runs the program on a fresh headless desktop with its own profile directory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/program.h"
#include "platform/headless/headless_desktop.h"

namespace nuvo::testing {

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        profileDir = std::filesystem::temp_directory_path() / "nuvo_k48_tests" / name;
        std::filesystem::remove_all(profileDir);
        std::filesystem::create_directories(profileDir);
        UseScreen(64, 48);
    }
    void TearDown() override { std::filesystem::remove_all(profileDir); }

    // A new desktop of this size showing the pattern picture, and a program instance on it.
    void UseScreen(int width, int height) {
        platform.reset();
        desktop = std::make_unique<headless::HeadlessDesktop>(width, height);
        desktop->SetWallpaper(headless::PatternPicture(width, height));
        desktop->SetTickCount(100000);
        platform = std::make_unique<headless::HeadlessPlatform>(*desktop, profileDir);
    }

    int Run(const std::string& commandLine) {
        return RunProgram(*platform, CommandLine::FromRawText(commandLine));
    }

    std::filesystem::path SettingsPath() const { return profileDir / "nuvo_k48.ini"; }

    void WriteSettingsFile(const std::string& text) const {
        std::ofstream(SettingsPath(), std::ios::binary) << text;
    }
    std::string ReadSettingsFile() const {
        std::ifstream in(SettingsPath(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path profileDir;
    std::unique_ptr<headless::HeadlessDesktop> desktop;
    std::unique_ptr<headless::HeadlessPlatform> platform;
};

}  // namespace nuvo::testing
