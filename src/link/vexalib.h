#pragma once
// CVexaLib: the device link. Carries one numbered command at a time to the switcher over a
// serial port or TCP and waits for its reply. Safe to call from several threads at once:
// commands are serialised by a lock inside the link, input waiting before a request is
// dropped, and every reply is matched to its request by sequence number and command, so a
// late reply never reaches the wrong caller. A lost connection is made again in the
// background.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace vantel {
class ITransport;
}

// Results of CVexaLib::Command. 0 is success; every other value means no usable reply.
enum VexaResult : unsigned {
    kVexaOk = 0,
    kVexaTimeout = 1,         // no matching reply within the time-out
    kVexaClosed = 2,          // the link is not open
    kVexaRefused = 3,         // the device answered with a non-zero status
    kVexaConnectionLost = 4,  // the transport failed and could not be re-established in time
    kVexaReplyTooLarge = 5,   // the reply does not fit into the caller's buffer
    kVexaBadArgument = 6,     // a null buffer or a payload larger than the capacity
    kVexaBadReply = 7,        // the device answered, but its data is not of the command's length
};

class CVexaLib {
public:
    // Opens a transport for a port text: "COM1".."COM9" or a network address text.
    using TransportFactory =
        std::function<std::unique_ptr<vantel::ITransport>(const std::string& port)>;

    // Capacity that Command assumes when the caller gives none.
    static constexpr std::size_t kDefaultBufferSize = 4096;

    CVexaLib();
    ~CVexaLib();
    CVexaLib(const CVexaLib&) = delete;
    CVexaLib& operator=(const CVexaLib&) = delete;

    // Opens "COM1".."COM9" (mapped through section "ports" of the settings file) or an IPv4
    // address text (TCP, port 4001 or key "port" of section "setup"). An open link is closed
    // first. Returns nonzero when the link is open afterwards.
    int Open(const char* port);
    void Close();
    // 1 while the connection is up; 0 when closed, or while a lost connection is down (the
    // link connects again by itself).
    int IsOpen() const;
    // Why the last attempt to make the connection could not even start (the system gave no
    // socket: "Too many open files"); empty once an attempt could. Such an attempt counts as
    // a failed one and is tried again like any other.
    std::string LastConnectFailure() const;

    // Sends cmd with the first len bytes of buf and waits at most timeout ms from the sending
    // for the reply, which is written to buf from offset len on. Assumes a 4096-byte buffer,
    // except for code 6, for which nothing at all is written into buf.
    unsigned Command(unsigned char cmd, unsigned char* buf, unsigned char len, int timeout);
    // The same with the buffer's real capacity: never writes at or beyond buf + capacity (and
    // for code 6, nothing at all).
    unsigned Command(unsigned char cmd, unsigned char* buf, std::size_t capacity, unsigned char len,
                     int timeout);

    int GetSendCount() const;
    int GetRecvCount() const;
    // Frames that matched no pending request (waiting before a request, late, wrong command,
    // bad check) and were dropped.
    int GetDroppedCount() const;
    // The device's status byte (1..255) in the last reply that refused a command, 0 before
    // any; meaningful to a caller that alone sends commands on the link.
    int GetLastRefusal() const;

    // The settings file whose sections "ports" and "setup" configure Open.
    void SetSettingsFile(std::string path);
    // Replaces how Open creates transports (tests: the in-memory transport).
    void SetTransportFactory(TransportFactory factory);
    // Wakes a command that waits for its reply from another thread; it returns kVexaClosed.
    // Used when the owner shuts its workers down.
    void CancelPending();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
