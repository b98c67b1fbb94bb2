// vantelctl against a device whose replies cannot be used: data of the wrong length, counts
// that no device can have. Every such reply is exit code 1 with a one-line reason, and nothing
// is sent on the strength of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ctlrun.h"
#include "device/switcher.h"
#include "fakedevice.h"
#include "support/tempdir.h"

namespace {

using vantel::CFakeDevice;
using vantel::CSwitcher;
using vantel::CtlResult;
using Bytes = std::vector<std::uint8_t>;
using Tamper = std::function<void(Bytes& data)>;

constexpr std::uint8_t kReadSetup = 5;
constexpr std::uint8_t kWriteSetup = 6;
constexpr std::uint8_t kReadImage = 7;
constexpr std::uint8_t kLoadScene = 8;
constexpr std::uint8_t kSaveScene = 9;
constexpr std::uint8_t kSwitch = 12;

Tamper Resized(std::size_t size) {
    return [size](Bytes& data) { data.resize(size, 0x11); };
}

// A state image's port, input and output counts.
Tamper ImageCounts(std::uint8_t ports, std::uint8_t inputs, std::uint8_t outputs) {
    return [=](Bytes& data) {
        data.at(4) = ports;
        data.at(5) = inputs;
        data.at(6) = outputs;
    };
}

Tamper SetupByte(std::size_t offset, std::uint8_t value) {
    return [=](Bytes& data) { data.at(offset) = value; };
}

// One command of vantelctl against a sound device model whose reply data to one command code
// is tampered with.
struct Case {
    const char* name;
    std::vector<std::string> command;
    std::uint8_t tamperedCmd;
    Tamper tamper;
    std::string says;
    std::uint8_t neverSent = 0;  // a command that must not reach the device (0: none)
};

class VantelCtlReply : public ::testing::Test {
protected:
    // Runs the command against a device whose replies the case tampers with.
    CtlResult Run(const Case& c, CSwitcher& model, std::vector<std::uint8_t>* received) {
        CFakeDevice device([&model, &c](const vantel::Frame& request) {
            const CSwitcher::Reply reply = model.Handle(request.cmd, request.payload);
            Bytes data = reply.payload;
            if (request.cmd == c.tamperedCmd) {
                c.tamper(data);
            }
            return CFakeDevice::Reply{reply.status, data};
        });
        std::vector<std::string> args{"--host", "127.0.0.1:" + std::to_string(device.Port())};
        args.insert(args.end(), c.command.begin(), c.command.end());
        const CtlResult result = vantel::RunCtl(args, {"XDG_CONFIG_HOME=" + home.Path().string()});
        if (received != nullptr) {
            *received = device.Commands();
        }
        return result;
    }

    void ExpectUnusable(const Case& c) {
        CSwitcher model;
        std::vector<std::uint8_t> received;
        const CtlResult result = Run(c, model, &received);
        EXPECT_EQ(result.code, 1) << c.name << "\n" << result.err;
        EXPECT_TRUE(vantel::IsOneErrorLine(result.err)) << c.name << ": " << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << c.name << ": " << result.err;
        EXPECT_EQ(result.out, "") << c.name;
        if (c.neverSent != 0) {
            EXPECT_EQ(std::count(received.begin(), received.end(), c.neverSent), 0)
                << c.name << ": command " << int{c.neverSent} << " was sent";
            EXPECT_EQ(model.Setup(), CSwitcher().Setup()) << c.name;
            EXPECT_EQ(model.SceneRouting(0), CSwitcher().SceneRouting(0)) << c.name;
        }
    }

    vantel::test::TempDir home;
};

TEST_F(VantelCtlReply, RepliesOfTheWrongLengthAreUnusable) {
    const std::string wrong = ": the device's reply has the wrong length";
    const std::vector<Case> cases = {
        {"image of 10 bytes", {"status"}, kReadImage, Resized(10), "read live routing" + wrong},
        {"image of 507 bytes",
         {"scene", "show", "3"},
         kReadImage,
         Resized(507),
         "read scene 3" + wrong},
        {"image of 509 bytes",
         {"--json", "status"},
         kReadImage,
         Resized(509),
         "read live routing" + wrong},
        {"short image before a switch",
         {"route", "1", "2"},
         kReadImage,
         Resized(10),
         "read live routing" + wrong,
         kSwitch},
        {"setup block of 39 bytes",
         {"setup", "show"},
         kReadSetup,
         Resized(39),
         "read setup" + wrong},
        {"setup block of 41 bytes",
         {"setup", "show"},
         kReadSetup,
         Resized(41),
         "read setup" + wrong},
        {"setup block of 39 bytes before a write",
         {"setup", "set", "--buzzer", "off"},
         kReadSetup,
         Resized(39),
         "read setup" + wrong,
         kWriteSetup},
        {"setup block of 6 bytes before a write",
         {"setup", "set", "--ip", "127.0.0.9"},
         kReadSetup,
         Resized(6),
         "read setup" + wrong,
         kWriteSetup},
        {"data in the reply to a setup write",
         {"setup", "set", "--buzzer", "off"},
         kWriteSetup,
         Resized(1),
         "write setup" + wrong},
        {"data in the reply to a scene load",
         {"scene", "load", "3"},
         kLoadScene,
         Resized(1),
         "load scene 3" + wrong},
        {"data in the reply to a scene save",
         {"scene", "save", "3"},
         kSaveScene,
         Resized(2),
         "save scene 3" + wrong},
        {"data in the reply to a switch",
         {"route", "1", "2"},
         kSwitch,
         Resized(1),
         "switch" + wrong},
    };
    for (const auto& c : cases) {
        ExpectUnusable(c);
    }
}

TEST_F(VantelCtlReply, CountsNoDeviceCanHaveAreUnusable) {
    const struct {
        const char* name;
        Tamper tamper;
        std::string says;
    } images[] = {
        {"no inputs", ImageCounts(8, 0, 8), "0 inputs (1 to 72 expected)"},
        {"73 inputs", ImageCounts(81, 73, 8), "73 inputs (1 to 72 expected)"},
        {"no outputs", ImageCounts(8, 8, 0), "0 outputs (1 to 72 expected)"},
        {"255 outputs", ImageCounts(7, 8, 255), "255 outputs (1 to 72 expected)"},
        {"port count above M + N", ImageCounts(17, 8, 8),
         "17 ports for 8 inputs and 8 outputs (16 expected)"},
        {"port count below M + N", ImageCounts(15, 8, 8), "15 ports for 8 inputs"},
    };
    for (const auto& image : images) {
        const std::string says = "read live routing: the device reports " + image.says;
        ExpectUnusable({image.name, {"status"}, kReadImage, image.tamper, says});
        ExpectUnusable({image.name, {"route", "2", "3"}, kReadImage, image.tamper, says, kSwitch});
    }
    const struct {
        const char* name;
        Tamper tamper;
        std::string says;
    } setups[] = {
        {"no inputs", SetupByte(CSwitcher::kInputCountOffset, 0), "0 inputs"},
        {"73 inputs", SetupByte(CSwitcher::kInputCountOffset, 73), "73 inputs"},
        {"no outputs", SetupByte(CSwitcher::kOutputCountOffset, 0), "0 outputs"},
        {"200 outputs", SetupByte(CSwitcher::kOutputCountOffset, 200), "200 outputs"},
    };
    for (const auto& setup : setups) {
        const std::string says = "read setup: the device reports " + setup.says;
        ExpectUnusable({setup.name, {"setup", "show"}, kReadSetup, setup.tamper, says});
        ExpectUnusable({setup.name,
                        {"setup", "set", "--buzzer", "on"},
                        kReadSetup,
                        setup.tamper,
                        says,
                        kWriteSetup});
    }
    // The smallest and the largest device are sound.
    for (const int count : {1, 72}) {
        CSwitcher model(count, count);
        const CtlResult status = Run({"sound", {"--json", "status"}, 0, {}, ""}, model, nullptr);
        EXPECT_EQ(status.code, 0) << status.err;
        EXPECT_EQ(vantel::ParseObject(status.out)["ports"], 2 * count);
        const Case set{"sound", {"setup", "set", "--buzzer", "off"}, 0, {}, ""};
        EXPECT_EQ(Run(set, model, nullptr).code, 0) << count;
        EXPECT_EQ(model.Setup()[CSwitcher::kBuzzerOffset], 0) << count;
    }
}

}  // namespace
