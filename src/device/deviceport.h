#pragma once
// CDevicePort: one line into the device. Turns the request bytes that arrive on a serial line
// or a connection into the device's reply bytes: frames are decoded (garbage, cut frames and
// frames with a bad check are skipped), each command is handled by the device in arrival
// order, and the reply echoes the request's sequence number and command with the status and
// the reply data. Each line has its own port; several ports may share one device.
//
// A keeper, when set, is asked after every command that changed the device whether the
// change could be kept (saved). When it could not, the device is put back as it was before
// the command and the command is refused with kStatusNotKept: the host is never told "done"
// for a state the device would lose, and a refused command changes nothing.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "device/replyfaults.h"
#include "device/switcher.h"
#include "link/frame.h"

namespace vantel {

// Status of a reply to a command whose change the device could not keep; nothing changed.
inline constexpr std::uint8_t kStatusNotKept = 5;

class CDevicePort {
public:
    // Returns false when the device's new state could not be kept.
    using Keeper = std::function<bool()>;

    // faults, when given, is applied to every reply frame and must outlive the port.
    explicit CDevicePort(CSwitcher& device, CReplyFaults* faults = nullptr);

    struct Result {
        std::size_t commands = 0;  // frames handled
        bool changed = false;      // some command changed the device's kept state
    };

    // Handles every complete request in data and appends the reply frames to out. Bytes of a
    // frame cut short are kept until its rest arrives.
    Result Feed(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

    // Sets (or, with an empty keeper, removes) the keeper of changes.
    void SetKeeper(Keeper keeper) { m_keeper = std::move(keeper); }

    // Forgets a half-received frame (the line was closed).
    void Reset() { m_decoder.Reset(); }
    const FrameDecoder& Decoder() const { return m_decoder; }

private:
    // The device's reply to one request, undone and refused when the keeper fails.
    CSwitcher::Reply Apply(const Frame& request);

    CSwitcher& m_device;
    CReplyFaults* m_faults;
    Keeper m_keeper;
    FrameDecoder m_decoder;
    Frame m_request;
    std::vector<std::uint8_t> m_reply;
};

}  // namespace vantel
