// The Debian package as cpack makes it from this build: its files, its fields, and the
// xscreensaver settings page it installs, read as xscreensaver reads it and checked against
// the options the program takes.
#include <gtest/gtest.h>

#include <QFile>
#include <QXmlStreamReader>

#include <map>
#include <sstream>

#include "platform/qt/module_options.h"
#include "x_session.h"

namespace nuvo::qt_test {
namespace {

// Runs a shell command line; its standard output, or nothing when it failed.
std::optional<std::string> Output(const std::string& commandLine, const std::filesystem::path& scratch) {
    const std::filesystem::path out = scratch / "output";
    ChildProcess shell({"sh", "-c", commandLine + " > \"" + out.string() + "\""},
                       {"PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin"});
    if (shell.WaitForExit(120s) != 0) return std::nullopt;
    return test_support::ReadBytes(out);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// One control of the settings page: the arguments it puts on the command line for a value.
struct PageControl {
    std::string kind;  // select, number, boolean
    std::map<std::string, std::string> attributes;
    std::vector<std::map<std::string, std::string>> options;  // of a select
};

struct SettingsPage {
    std::string name;
    std::string command;
    std::vector<PageControl> controls;
};

SettingsPage ReadPage(const std::filesystem::path& file) {
    QFile xml(QString::fromStdString(file.string()));
    EXPECT_TRUE(xml.open(QIODevice::ReadOnly));
    QXmlStreamReader reader(&xml);
    SettingsPage page;
    const auto attributes = [&] {
        std::map<std::string, std::string> all;
        for (const QXmlStreamAttribute& a : reader.attributes()) {
            all[a.name().toString().toStdString()] = a.value().toString().toStdString();
        }
        return all;
    };
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement) continue;
        const std::string element = reader.name().toString().toStdString();
        if (element == "screensaver") page.name = attributes()["name"];
        if (element == "command") page.command = attributes()["arg"];
        if (element == "select" || element == "number" || element == "boolean") {
            page.controls.push_back({element, attributes(), {}});
        }
        if (element == "option" && !page.controls.empty()) page.controls.back().options.push_back(attributes());
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return page;
}

// The settings key and value text that these arguments give the module.
std::map<std::string, std::string> Settings(const std::string& arguments) {
    std::vector<std::string> words{"--root"};
    std::istringstream in(arguments);
    for (std::string word; in >> word;) words.push_back(word);
    const qt::ModuleOptions options = qt::ParseModuleOptions(words, "0x1");
    std::map<std::string, std::string> found;
    for (const char* key : {"Komakasa", "Speed", "Amp", "Tate"}) {
        if (auto text = options.settings.Find("nuvo_k48", key, "nuvo_k48.ini")) found[key] = *text;
    }
    return found;
}

std::string WithValue(std::string pattern, const std::string& value) {
    return pattern.replace(pattern.find('%'), 1, value);
}

TEST(DebianPackage, InstallsTheProgramItsSettingsPageAndItsManualUnderUsr) {
    test_support::TemporaryDirectory scratch;
    const std::filesystem::path out = scratch.Path();
    ASSERT_TRUE(Output("\"" NUVO_CPACK_COMMAND "\" --config \"" NUVO_CPACK_CONFIG "\" -G DEB -B \"" +
                           out.string() + "\"",
                       out));
    const std::filesystem::path deb = out / "nuvo_k48_" NUVO_VERSION "_amd64.deb";
    ASSERT_TRUE(std::filesystem::exists(deb)) << deb;

    const auto listing = Output("dpkg-deb -c \"" + deb.string() + "\" | awk '{print $6}'", out);
    ASSERT_TRUE(listing);
    std::vector<std::string> files;
    for (const std::string& path : Lines(*listing)) {
        EXPECT_TRUE(path.rfind("./usr/", 0) == 0 || path == "./") << path;
        if (path.back() != '/') files.push_back(path);
    }
    EXPECT_EQ(files, (std::vector<std::string>{"./usr/bin/nuvo_k48", "./usr/share/man/man1/nuvo_k48.1",
                                               "./usr/share/xscreensaver/config/nuvo_k48.xml"}));
    const auto fields = Output("dpkg-deb -f \"" + deb.string() + "\" Package Architecture Depends Suggests", out);
    ASSERT_TRUE(fields);
    EXPECT_NE(fields->find("Package: nuvo_k48\n"), std::string::npos) << *fields;
    EXPECT_NE(fields->find("Architecture: amd64\n"), std::string::npos) << *fields;
    EXPECT_NE(fields->find("Suggests: xscreensaver\n"), std::string::npos) << *fields;
    for (const char* library : {"libqt6core6", "libx11-6", "libstdc++6"}) {
        EXPECT_NE(fields->find(library), std::string::npos) << library << " missing in " << *fields;
    }

    ASSERT_TRUE(Output("dpkg-deb -x \"" + deb.string() + "\" \"" + (out / "root").string() + "\"", out));
    const SettingsPage page = ReadPage(out / "root/usr/share/xscreensaver/config/nuvo_k48.xml");
    EXPECT_EQ(page.name, "nuvo_k48");
    EXPECT_EQ(page.command, "--root");
    ASSERT_EQ(page.controls.size(), 4u);

    // Each control's arguments reach the key it stands for, as the program reads them.
    const PageControl& detail = page.controls[0];
    EXPECT_EQ(detail.kind, "select");
    ASSERT_EQ(detail.options.size(), 3u);
    const std::vector<std::pair<std::string, std::string>> levels{{"細かい", "0"}, {"標準", ""}, {"粗い", "2"}};
    for (std::size_t i = 0; i < levels.size(); ++i) {
        auto option = detail.options[i];
        EXPECT_EQ(option["_label"], levels[i].first);
        const auto settings = Settings(option["arg-set"]);
        if (levels[i].second.empty()) {
            EXPECT_TRUE(settings.empty()) << option["arg-set"];  // the default: the file's value
        } else {
            EXPECT_EQ(settings, (std::map<std::string, std::string>{{"Komakasa", levels[i].second}}));
        }
    }
    struct Slider {
        const char* key;
        const char* low;
        const char* high;
        const char* byDefault;
    };
    const Slider sliders[] = {{"Speed", "0", "500", "350"}, {"Amp", "5", "35", "10"}};
    for (std::size_t i = 0; i < 2; ++i) {
        auto control = page.controls[1 + i];
        EXPECT_EQ(control.kind, "number");
        EXPECT_EQ(control.attributes["type"], "slider");
        EXPECT_EQ(control.attributes["low"], sliders[i].low);
        EXPECT_EQ(control.attributes["high"], sliders[i].high);
        EXPECT_EQ(control.attributes["default"], sliders[i].byDefault);
        EXPECT_EQ(Settings(WithValue(control.attributes["arg"], sliders[i].high)),
                  (std::map<std::string, std::string>{{sliders[i].key, sliders[i].high}}));
    }
    auto wave = page.controls[3];
    EXPECT_EQ(wave.kind, "boolean");
    EXPECT_EQ(wave.attributes["_label"], "縦波にする");
    EXPECT_EQ(Settings(wave.attributes["arg-set"]), (std::map<std::string, std::string>{{"Tate", "1"}}));
}

}  // namespace
}  // namespace nuvo::qt_test
