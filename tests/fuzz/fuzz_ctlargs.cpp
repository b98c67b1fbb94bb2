// vantelctl's argument values as the client reads them: port names (numbers and button
// labels from setup.ini), host addresses, COM port names, setup counts and the buzzer text.
// The input is split at its first NUL into a label stored for every button and the typed
// value; no value may crash, and each reader must keep its promises: a name gives an index
// or one usage error on one line, a count is accepted only within 1..48, the buzzer only as
// "on" or "off", a COM name only as COM1..COM9.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "ctlerror.h"
#include "link/portconfig.h"
#include "link/setupcheck.h"
#include "portnames.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// The settings file of this run, removed when the fuzzer ends.
char g_settingsPath[] = "/tmp/vantel-fuzz-ctlargs-XXXXXX";

const char* SettingsPath() {
    static const bool made = [] {
        const int fd = ::mkstemp(g_settingsPath);
        if (fd >= 0) {
            ::close(fd);
        }
        std::atexit([] { std::remove(g_settingsPath); });
        return true;
    }();
    (void)made;
    return g_settingsPath;
}

// A settings file whose first buttons of both kinds carry the label.
std::string SettingsWithLabel(const std::string& label) {
    std::ofstream out(SettingsPath(), std::ios::binary | std::ios::trunc);
    out << "[BUTTON]\n";
    for (int base : {2500, 3000}) {
        for (int i = 0; i < 3; ++i) {
            out << base + i << '=' << label << '\n';
        }
    }
    out.close();
    return SettingsPath();
}

void ResolveName(const std::string& label, const std::string& typed) {
    const vantel::CPortNames names(SettingsWithLabel(label));
    for (auto kind : {vantel::PortKind::kInput, vantel::PortKind::kOutput}) {
        try {
            const int index = names.Resolve(kind, typed);
            Check(index >= -1);
            vantel::CPortNames::RequireInRange(kind, typed, index, 8);
            Check(index >= 0 && index < 8);
        } catch (const vantel::CCtlError& error) {
            Check(error.Code() == vantel::CtlExit::kUsage);
            Check(std::string_view(error.what()).find('\n') == std::string_view::npos ||
                  typed.find('\n') != std::string::npos || label.find('\n') != std::string::npos);
        }
    }
}

void ReadValues(const std::string& typed) {
    const int count = vantel::ParseCountText(typed);
    const auto checked = vantel::CheckedCount(typed);
    Check(checked.has_value() ==
          (count >= vantel::kMinSetupCount && count <= vantel::kMaxSetupCount));
    if (checked) {
        Check(*checked == count);
    }
    if (const auto on = vantel::ParseBuzzerText(typed)) {
        Check(typed == (*on ? "on" : "off"));
    }
    if (const auto com = vantel::ComPortNumber(typed)) {
        Check(*com >= 1 && *com <= 9 && typed.size() == 4);
    }
    if (const auto endpoint = vantel::ParseEndpoint(typed, vantel::kDefaultTcpPort)) {
        Check(endpoint->port() != 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\0');
    const std::string label = cut == std::string::npos ? std::string() : input.substr(0, cut);
    const std::string typed = cut == std::string::npos ? input : input.substr(cut + 1);
    ReadValues(typed);
    ResolveName(label, typed);
    return 0;
}
