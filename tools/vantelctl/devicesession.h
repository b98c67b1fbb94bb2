#pragma once
// CDeviceSession: the open link to the switcher for one vantelctl run, and the device
// commands that the client sends through it. Every failure becomes a CCtlError with the exit
// code that reports it: a link that cannot be opened kCannotOpen, a command without a usable
// reply kNoResponse (no reply, a refusal, a reply of the wrong length, or a block whose counts
// no device can have).

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "ctloptions.h"
#include "link/setupblock.h"
#include "link/stateimage.h"
#include "link/vexalib.h"

namespace vantel {

class CDeviceSession {
public:
    // Opens --host, --serial, or else the connection stored in the settings file.
    CDeviceSession(const CtlOptions& options, const std::string& settingsPath);

    // How the connection is named in messages: "127.0.0.1:4001", "COM2 (/dev/ttyUSB0)".
    const std::string& Name() const { return m_name; }

    // The state image of a scene (0: the live routing); it must carry the mark and sound counts.
    CStateImage ReadImage(int scene);
    // The device's setup block; it must carry the mark and sound counts.
    CSetupBlock ReadSetup();
    // Sends the block back, unless its counts are unsound; the device's answer is checked, so
    // a refused write is reported.
    void WriteSetup(CSetupBlock& block);
    // Sends a command whose reply carries no data; what names it in messages.
    void Send(std::uint8_t cmd, std::span<const std::uint8_t> payload, const std::string& what);
    // The link's result of the last Send (kVexaOk when it was done).
    unsigned LastSendResult() const { return m_lastSend; }

    // The open link, for the salvo code that sends and reads back on its own.
    CVexaLib& Link() { return m_link; }
    int Timeout() const { return m_timeout; }

private:
    // Opens the link by the port text; the name is what messages call it.
    void OpenPort(const std::string& port);
    // Turns a nonzero result of a command into a CCtlError.
    void Check(unsigned result, const std::string& what) const;
    // Turns a problem with the counts of a block into a CCtlError.
    static void RequireSound(const std::optional<std::string>& problem, const std::string& what);

    CVexaLib m_link;
    std::string m_settingsPath;
    std::string m_name;
    int m_timeout;
    unsigned m_lastSend = 0;
};

}  // namespace vantel
