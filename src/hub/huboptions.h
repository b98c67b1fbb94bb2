#pragma once
// HubOptions: where the hub serves its two faces and how it reaches the device.

#include <cstddef>
#include <string>

#include "hub/deviceowner.h"

namespace vantel {

inline constexpr unsigned short kDefaultTextPort = 9990;

struct HubOptions {
    std::string listenHost = "127.0.0.1";  // the station face (device protocol)
    unsigned short listenPort = 4001;
    std::string textHost = "127.0.0.1";  // the text face
    unsigned short textPort = kDefaultTextPort;
    std::size_t maxClients = 256;  // per face: connections served at once
    bool handleSignals = false;    // SIGINT and SIGTERM stop the hub
    DeviceOwnerOptions device;
};

}  // namespace vantel
