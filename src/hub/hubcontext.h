#pragma once
// What a client connection of the hub needs of the hub: the state as the network thread last
// got it, the device owner to send requests to, and a way to run a result on the network
// thread.

#include <functional>

#include "hub/deviceowner.h"
#include "hub/hubsnapshot.h"

namespace vantel {

class IHubContext {
public:
    virtual ~IHubContext() = default;
    virtual const HubSnapshot& State() const = 0;
    virtual CDeviceOwner& Owner() = 0;
    // Runs fn on the network thread (from any thread).
    virtual void OnNetworkThread(std::function<void()> fn) = 0;
};

}  // namespace vantel
