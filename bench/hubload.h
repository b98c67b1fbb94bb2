#pragma once
// CHubLoad: many text and station clients taking routes through the hub at a steady rate,
// all driven by one thread over epoll, non-blocking, so a thousand clients cost no thousand
// threads. Every client takes a route every 1/rate s (phases spread at random), one take at
// a time; text clients read every push. At the end every text client's routing is held
// against the device's, read straight from the simulator.
//
//   push     from a take's sending until a text client holds that route (every client's
//            every routing line; a line is matched to the latest take of that route before it)
//   ack      a text take's ACK
//   lost     takes NAKed or not answered within kAnswerWithin, and text clients that do not end
//            on the device's routing (outputs it feeds; the protocol cannot say "none")

#include <fcntl.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "hub/textblockreader.h"
#include "latencyhistogram.h"
#include "link/frame.h"

class CHubLoad {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kAnswerWithin{5};

    struct Shape {
        int texts = 500;
        int stations = 500;
        double takesPerSecond = 2.0;  // per client
        std::chrono::seconds duration{20};
        int inputs = 16;
        int outputs = 16;
    };
    struct Result {
        CLatencyHistogram pushMs;
        CLatencyHistogram ackMs;
        CLatencyHistogram stationMs;
        long takes = 0;
        long lost = 0;
        bool connected = false;
    };

    CHubLoad(int textPort, int stationPort, Shape shape);
    ~CHubLoad();
    CHubLoad(const CHubLoad&) = delete;
    CHubLoad& operator=(const CHubLoad&) = delete;

    // Runs the load, then lets every answer and push come; truth: the device's routing after.
    Result Run(const std::function<std::optional<std::map<int, int>>()>& truth);

private:
    struct Client {
        int fd = -1;
        bool text = true;
        Clock::time_point nextTake;
        std::optional<Clock::time_point> pending;  // a take not answered yet
        vantel::CTextBlockReader reader;
        vantel::FrameDecoder decoder;
        std::map<int, int> routes;  // text: output -> input, as pushed
        bool prelude = false;       // text: the dump on connect has come
        std::uint8_t seq = 0;
    };

    bool Connect(int port, bool text);
    void Take(Client& c, Clock::time_point now);
    void Receive(Client& c, Clock::time_point now);
    void TakeBlock(Client& c, const vantel::TextBlock& block, Clock::time_point now);
    void Answered(Client& c, bool ok, Clock::time_point now);
    void Pump(Clock::time_point until, bool taking);
    bool Send(Client& c, const std::string& bytes);

    Shape m_shape;
    int m_epoll = -1;
    std::vector<std::unique_ptr<Client>> m_clients;
    std::vector<std::deque<std::pair<Clock::time_point, int>>> m_takes;  // per output
    std::mt19937 m_random{12345};
    Result m_result;
};
