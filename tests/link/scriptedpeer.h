#pragma once
// ScriptedPeer: the device end of an in-memory link, served on its own thread. Each request
// frame is handed to a script that returns the bytes to send back (any bytes: garbage, cut
// frames, wrong replies) and how long to wait before sending them.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/frame.h"
#include "link/memorytransport.h"
#include "link/vexalib.h"

namespace vantel {

class ScriptedPeer {
public:
    struct Answer {
        std::vector<std::uint8_t> bytes;
        std::chrono::milliseconds delay{0};
    };
    using Script = std::function<Answer(const Frame& request)>;

    // greeting: bytes the peer end holds for the link as soon as it opens, before any request
    // (what an earlier user of the line left behind).
    explicit ScriptedPeer(Script script, std::vector<std::uint8_t> greeting = {})
        : m_script(std::move(script)), m_greeting(std::move(greeting)) {}
    ~ScriptedPeer() { Stop(); }

    // Factory for CVexaLib: every Open joins a fresh pair and serves its peer end.
    CVexaLib::TransportFactory Factory() {
        return [this](const std::string&) -> std::unique_ptr<ITransport> {
            Stop();
            auto [near, far] = MemoryTransport::CreatePair();
            m_far = std::move(far);
            if (!m_greeting.empty()) {
                m_far->Write(m_greeting.data(), m_greeting.size(), ITransport::Clock::now());
            }
            m_stop.store(false);
            m_thread = std::thread([this] { Serve(); });
            return std::move(near);
        };
    }

    void Stop() {
        m_stop.store(true);
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    int Requests() const { return m_requests.load(); }

    static std::vector<std::uint8_t> Reply(const Frame& request, std::uint8_t status,
                                           const std::vector<std::uint8_t>& payload) {
        return EncodeFrame(Frame{request.seq, request.cmd, status, payload});
    }

private:
    void Serve() {
        FrameDecoder decoder;
        Frame request;
        std::uint8_t chunk[4096];
        while (!m_stop.load()) {
            std::size_t got = 0;
            const auto deadline = ITransport::Clock::now() + std::chrono::milliseconds(5);
            const IoStatus status = m_far->Read(chunk, sizeof chunk, got, deadline);
            if (status == IoStatus::kFailed) {
                return;
            }
            decoder.Feed(chunk, got);
            while (decoder.Next(request)) {
                m_requests.fetch_add(1);
                const Answer answer = m_script(request);
                std::this_thread::sleep_for(answer.delay);
                if (!answer.bytes.empty()) {
                    m_far->Write(answer.bytes.data(), answer.bytes.size(), deadline);
                }
            }
        }
    }

    Script m_script;
    std::vector<std::uint8_t> m_greeting;
    std::unique_ptr<MemoryTransport> m_far;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
};

}  // namespace vantel
