#pragma once
// What a client connection of the hub needs of the hub: the state as the network thread last
// got it, the device owner to send requests to, and a way to run a result on the network
// thread.

#include <functional>

#include "hub/clientconnection.h"
#include "hub/deviceowner.h"
#include "hub/hubsnapshot.h"

namespace vantel {

class IHubContext {
public:
    virtual ~IHubContext() = default;
    virtual const HubSnapshot& State() const = 0;
    // The same, shared: a client may keep it as what it was last told.
    virtual SnapshotPtr Current() const = 0;
    // The text-face blocks that tell a client seen as viewer what changed from `from` to Current():
    // computed once per change for every client that holds no lock that changed, and shared by
    // them.
    virtual SharedBytes ChangeText(const SnapshotPtr& from, const LockOwner& viewer) = 0;
    virtual CDeviceOwner& Owner() = 0;
    // Runs fn on the network thread (from any thread).
    virtual void OnNetworkThread(std::function<void()> fn) = 0;
};

}  // namespace vantel
