#pragma once
// CByteBudget: the bytes that all client connections of the hub hold in their write queues,
// against a total. Each connection reports what it adds and what leaves. When an addition
// would go beyond the total, the connection that holds the most is the one that cannot keep
// up: it alone is dropped (disconnected), and the addition is made if that made room. So one
// slow client never starves the rest, and the hub's memory stays bounded however many
// clients there are.

#include <cstddef>
#include <functional>
#include <map>

#include "hub/hubsnapshot.h"

namespace vantel {

class CByteBudget {
public:
    static constexpr std::size_t kDefaultTotal = 32u << 20;

    explicit CByteBudget(std::size_t total = kDefaultTotal) : m_total(total) {}

    // drop disconnects the client; it must Leave.
    void Join(ClientId client, std::function<void()> drop);
    // Forgets the client and whatever it held.
    void Leave(ClientId client);
    // Counts n more bytes held by client; false (nothing counted) when they do not fit even
    // after dropping the largest other holder.
    bool Add(ClientId client, std::size_t n);
    void Remove(ClientId client, std::size_t n);
    std::size_t Held() const { return m_held; }

private:
    struct Holder {
        std::size_t bytes = 0;
        std::function<void()> drop;
    };

    std::size_t m_total;
    std::size_t m_held = 0;
    std::map<ClientId, Holder> m_holders;
};

}  // namespace vantel
