// The connection core that every face of the hub shares: a client that reads slowly gets the
// newest state in one block instead of a backlog of every change, its answers do not wait
// behind that backlog, and the bytes all clients hold stay within the hub's budget.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <asio.hpp>
#include <memory>
#include <string>

#include "hub/bytebudget.h"
#include "hub/clientconnection.h"
#include "link/keepalive.h"

namespace vantel {
namespace {

// A face whose state is a counter: a stale client is sent one line with the newest value,
// padded so that a backlog of them would soon fill every buffer on the way.
class CounterFace : public CClientConnection {
public:
    CounterFace(asio::ip::tcp::socket socket, const int& counter, bool* closed)
        : CClientConnection(
              std::move(socket), 1, "test", [](const std::string&) {},
              [closed](ClientId) { *closed = true; }),
          m_counter(counter) {}

protected:
    void OnStart() override {}
    void OnData(std::string_view) override {}
    SharedBytes TakeStale() override {
        return std::make_shared<const std::string>("state " + std::to_string(m_counter) +
                                                   std::string(1000, ' ') + "\n");
    }

private:
    const int& m_counter;
};

struct Pair {
    asio::io_context io;
    asio::ip::tcp::socket client{io};
    asio::ip::tcp::socket served{io};

    Pair() {
        asio::ip::tcp::acceptor acceptor(io, {asio::ip::make_address("127.0.0.1"), 0});
        // Small buffers on both sides: what does not fit waits in the hub.
        client.open(asio::ip::tcp::v4());
        client.set_option(asio::socket_base::receive_buffer_size(4096));
        client.connect(acceptor.local_endpoint());
        served = acceptor.accept();
        served.set_option(asio::socket_base::send_buffer_size(4096));
    }

    // Everything the client can read without waiting, run alongside the hub's side.
    std::string Drain() {
        std::string got;
        client.non_blocking(true);
        for (int idle = 0; idle < 50;) {
            io.poll();
            char chunk[65536];
            asio::error_code ec;
            const std::size_t n = client.read_some(asio::buffer(chunk), ec);
            if (n > 0) {
                got.append(chunk, n);
                idle = 0;
            } else {
                ++idle;
                io.run_for(std::chrono::milliseconds(2));
            }
        }
        return got;
    }
};

TEST(ClientConnection, ASlowClientGetsTheNewestStateNotABacklog) {
    Pair pair;
    int counter = 0;
    bool closed = false;
    auto face = std::make_shared<CounterFace>(std::move(pair.served), counter, &closed);
    face->Start();
    constexpr int kChanges = 5000;  // 5 MB if each were queued: beyond the 1 MiB bound
    for (counter = 1; counter <= kChanges; ++counter) {
        face->MarkStale();
        pair.io.poll();
    }
    --counter;
    face->Send(std::string_view("ACK\n\n"));
    const std::string got = pair.Drain();

    EXPECT_FALSE(closed) << "a slow reader is not disconnected for changes it has not read";
    const auto ack = got.find("ACK\n\n");
    ASSERT_NE(ack, std::string::npos);
    // Ahead of the answer: what the buffers held when it came, and one up-to-date block.
    EXPECT_LT(ack, 64u * 1024u);
    // The last thing told is the newest state, and far fewer blocks were sent than changes.
    const std::string last = "state " + std::to_string(kChanges) + " ";
    EXPECT_NE(got.rfind(last), std::string::npos);
    EXPECT_LT(got.size(), static_cast<std::size_t>(kChanges) * 1001u / 10u);
    face->Close();
}

// A peer that lost power never closes its connection: probes find it within a minute, idle
// or with data in flight, and the connection then ends like any other.
TEST(ClientConnection, KeepaliveFindsADeadPeerWithinAMinute) {
    Pair pair;
    const int fd = pair.served.native_handle();
    bool closed = false;
    int counter = 0;
    auto face = std::make_shared<CounterFace>(std::move(pair.served), counter, &closed);
    const auto option = [fd](int level, int name) {
        int value = -1;
        socklen_t size = sizeof value;
        EXPECT_EQ(::getsockopt(fd, level, name, &value, &size), 0);
        return value;
    };
    EXPECT_EQ(option(SOL_SOCKET, SO_KEEPALIVE), 1);
    const int idleFound = option(IPPROTO_TCP, TCP_KEEPIDLE) +
                          option(IPPROTO_TCP, TCP_KEEPINTVL) * option(IPPROTO_TCP, TCP_KEEPCNT);
    EXPECT_GT(idleFound, 0);
    EXPECT_LE(idleFound, kDeadPeerFound.count());
    EXPECT_GT(option(IPPROTO_TCP, TCP_USER_TIMEOUT), 0);
    EXPECT_LE(option(IPPROTO_TCP, TCP_USER_TIMEOUT), 1000 * kDeadPeerFound.count());
    EXPECT_LE(kDeadPeerFound, std::chrono::minutes(1));
    face->Close();
}

TEST(ByteBudget, TheLargestHolderIsDroppedWhenTheTotalIsReached) {
    CByteBudget budget(100);
    std::vector<ClientId> dropped;
    for (ClientId id : {1, 2, 3}) {
        budget.Join(id, [&dropped, &budget, id] {
            dropped.push_back(id);
            budget.Leave(id);
        });
    }
    EXPECT_TRUE(budget.Add(1, 60));
    EXPECT_TRUE(budget.Add(2, 30));
    // 3 needs room: 1 holds the most and goes, 3 gets its bytes.
    EXPECT_TRUE(budget.Add(3, 20));
    EXPECT_EQ(dropped, std::vector<ClientId>{1});
    EXPECT_EQ(budget.Held(), 50u);
    // The largest holder itself asking for more is refused; nobody else is dropped for it.
    EXPECT_TRUE(budget.Add(2, 40));
    EXPECT_FALSE(budget.Add(2, 40));
    EXPECT_EQ(dropped, std::vector<ClientId>{1});
    budget.Remove(2, 70);
    EXPECT_EQ(budget.Held(), 20u);
}

}  // namespace
}  // namespace vantel
