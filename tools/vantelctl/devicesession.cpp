#include "devicesession.h"

#include <array>
#include <memory>
#include <vector>

#include "ctlerror.h"
#include "devicecounts.h"
#include "link/devicecommand.h"
#include "link/portconfig.h"
#include "link/serialtransport.h"
#include "settings/inifile.h"

namespace vantel {

namespace {

constexpr std::size_t kBufferSize = CVexaLib::kDefaultBufferSize;

// A refusal with the device's status; 6 comes from vantel-hub standing in for the device.
std::string RefusalText(int status) {
    return "refused by the device (status " + std::to_string(status) +
           (status == 6 ? ": an output it would change is locked" : "") + ")";
}

std::string ResultText(unsigned result, int timeout, int refusal) {
    switch (result) {
        case kVexaTimeout:
            return "no response from the device within " + std::to_string(timeout) + " ms";
        case kVexaClosed:
            return "the link is closed";
        case kVexaRefused:
            return RefusalText(refusal);
        case kVexaConnectionLost:
            return "connection to the device lost";
        case kVexaReplyTooLarge:
            return "the device's reply is too large";
        case kVexaBadReply:
            return "the device's reply has the wrong length";
        default:
            return "failed (result " + std::to_string(result) + ")";
    }
}

}  // namespace

CDeviceSession::CDeviceSession(const CtlOptions& options, const std::string& settingsPath)
    : m_settingsPath(settingsPath), m_timeout(options.timeout) {
    m_link.SetSettingsFile(settingsPath);
    if (!options.host.empty()) {
        OpenPort(options.host);
    } else if (IsDevicePath(options.serial)) {
        m_link.SetTransportFactory(DevicePathFactory(ReadSerialSettings(1, settingsPath).baud));
        OpenPort(options.serial);
    } else if (!options.serial.empty()) {
        OpenPort(options.serial);
    } else {
        std::string error;
        const auto stored = StoredPort(settingsPath, error);
        if (!stored) {
            throw CCtlError(CtlExit::kCannotOpen, error);
        }
        OpenPort(*stored);
    }
}

void CDeviceSession::OpenPort(const std::string& port) {
    m_name = port;
    if (const auto com = ComPortNumber(port)) {
        m_name += " (" + ReadSerialSettings(*com, m_settingsPath).path + ")";
    }
    m_link.Open(port.c_str());
    if (!m_link.IsOpen()) {
        throw CCtlError(CtlExit::kCannotOpen, "cannot open " + m_name);
    }
}

void CDeviceSession::Check(unsigned result, const std::string& what) const {
    if (result != kVexaOk) {
        throw CCtlError(CtlExit::kNoResponse,
                        what + ": " + ResultText(result, m_timeout, m_link.GetLastRefusal()));
    }
}

void CDeviceSession::RequireSound(const std::optional<std::string>& problem,
                                  const std::string& what) {
    if (problem) {
        throw CCtlError(CtlExit::kNoResponse, what + ": " + *problem);
    }
}

CStateImage CDeviceSession::ReadImage(int scene) {
    std::vector<std::uint8_t> buffer(kBufferSize);
    buffer[0] = static_cast<std::uint8_t>(scene);
    const std::string what =
        scene == 0 ? "read live routing" : "read scene " + std::to_string(scene);
    Check(m_link.Command(kReadImage, buffer.data(), buffer.size(), 1, m_timeout), what);
    CStateImage image(std::span<const std::uint8_t>(buffer).subspan(1));
    if (!image.HasMark()) {
        throw CCtlError(CtlExit::kNoResponse, what + ": the device's reply is not a state image");
    }
    RequireSound(ImageCountsProblem(image), what);
    return image;
}

CSetupBlock CDeviceSession::ReadSetup() {
    std::vector<std::uint8_t> buffer(kBufferSize);
    Check(m_link.Command(kReadSetup, buffer.data(), buffer.size(), 0, m_timeout), "read setup");
    CSetupBlock block(buffer);
    if (!block.HasMark()) {
        throw CCtlError(CtlExit::kNoResponse,
                        "read setup: the device's reply is not a setup block");
    }
    // A block with impossible counts is never edited and written back.
    RequireSound(SetupCountsProblem(block), "read setup");
    return block;
}

void CDeviceSession::WriteSetup(CSetupBlock& block) {
    RequireSound(SetupCountsProblem(block), "write setup");
    const auto size = static_cast<unsigned char>(CSetupBlock::kSetupBlockSize);
    // The form without a capacity: for this command the link writes no reply data at all.
    Check(m_link.Command(kWriteSetup, block.Data(), size, m_timeout), "write setup");
}

void CDeviceSession::Send(std::uint8_t cmd, std::span<const std::uint8_t> payload,
                          const std::string& what) {
    if (payload.size() > 255) {
        throw CCtlError(CtlExit::kUsage, what + ": too many ports in one command");
    }
    std::vector<std::uint8_t> buffer(kBufferSize);
    std::copy(payload.begin(), payload.end(), buffer.begin());
    const auto size = static_cast<unsigned char>(payload.size());
    m_lastSend = m_link.Command(cmd, buffer.data(), buffer.size(), size, m_timeout);
    Check(m_lastSend, what);
}

}  // namespace vantel
