// setup show and setup set.
#include <arpa/inet.h>

#include <cstring>
#include <iostream>

#include "commands.h"
#include "ctlerror.h"
#include "devicesession.h"
#include "link/setupcheck.h"
#include "settingspath.h"
#include "setupreport.h"

namespace vantel {

namespace {

// The changes, checked before anything is sent: nothing is written unless all of them are
// good, so a typing error never leaves the device half changed.
struct CheckedChanges {
    std::optional<std::uint8_t> inputs;
    std::optional<std::uint8_t> outputs;
    std::optional<CSetupBlock::Address> ip;
    std::optional<CSetupBlock::Address> mask;
    std::optional<CSetupBlock::Address> gateway;
    std::optional<bool> buzzer;
};

std::optional<std::uint8_t> CheckCount(const std::optional<std::string>& text, const char* option) {
    if (!text) {
        return std::nullopt;
    }
    const auto count = CheckedCount(*text);
    if (!count) {
        throw CCtlError(CtlExit::kUsage, std::string(option) + " must be a number from " +
                                             std::to_string(kMinSetupCount) + " to " +
                                             std::to_string(kMaxSetupCount) + ", not '" + *text +
                                             "'");
    }
    return count;
}

std::optional<CSetupBlock::Address> CheckAddress(const std::optional<std::string>& text,
                                                 const char* option) {
    if (!text) {
        return std::nullopt;
    }
    in_addr parsed{};
    if (inet_pton(AF_INET, text->c_str(), &parsed) != 1) {
        throw CCtlError(CtlExit::kUsage, std::string(option) +
                                             " must be a dotted IPv4 address such as "
                                             "127.0.0.2, not '" +
                                             *text + "'");
    }
    // inet_pton stores the address in network order: first number first.
    CSetupBlock::Address address{};
    std::memcpy(address.data(), &parsed, address.size());
    return address;
}

std::optional<bool> CheckBuzzer(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    const auto on = ParseBuzzerText(*text);
    if (!on) {
        throw CCtlError(CtlExit::kUsage, "--buzzer must be on or off, not '" + *text + "'");
    }
    return on;
}

CheckedChanges Check(const SetupChanges& changes) {
    CheckedChanges checked{
        CheckCount(changes.inputs, "--inputs"),     CheckCount(changes.outputs, "--outputs"),
        CheckAddress(changes.ip, "--ip"),           CheckAddress(changes.mask, "--mask"),
        CheckAddress(changes.gateway, "--gateway"), CheckBuzzer(changes.buzzer)};
    if (!checked.inputs && !checked.outputs && !checked.ip && !checked.mask && !checked.gateway &&
        !checked.buzzer) {
        throw CCtlError(CtlExit::kUsage,
                        "setup set: nothing to change (give --inputs, --outputs, --ip, --mask, "
                        "--gateway or --buzzer)");
    }
    return checked;
}

void Apply(const CheckedChanges& changes, CSetupBlock& block) {
    block.SetCounts(changes.inputs.value_or(static_cast<std::uint8_t>(block.InputCount())),
                    changes.outputs.value_or(static_cast<std::uint8_t>(block.OutputCount())));
    if (changes.ip) {
        block.SetIp(*changes.ip);
    }
    if (changes.mask) {
        block.SetMask(*changes.mask);
    }
    if (changes.gateway) {
        block.SetGateway(*changes.gateway);
    }
    if (changes.buzzer) {
        block.SetBuzzer(*changes.buzzer);
    }
}

}  // namespace

int RunSetupShow(const CtlOptions& options) {
    CDeviceSession session(options, SettingsPathFor(options.config));
    PrintSetup(std::cout, session.ReadSetup(), options.json);
    return 0;
}

int RunSetupSet(const CtlOptions& options, const SetupChanges& changes) {
    const CheckedChanges checked = Check(changes);
    CDeviceSession session(options, SettingsPathFor(options.config));
    CSetupBlock block = session.ReadSetup();
    Apply(checked, block);
    session.WriteSetup(block);
    PrintSetup(std::cout, block, options.json);
    return 0;
}

}  // namespace vantel
