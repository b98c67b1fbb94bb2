#pragma once
// HubOptions: where the hub serves its faces and how it reaches the device.

#include <cstddef>
#include <string>

#include "hub/deviceowner.h"

namespace vantel {

inline constexpr unsigned short kDefaultTextPort = 9990;
inline constexpr unsigned short kDefaultSwp08Port = 8910;

struct HubOptions {
    std::string listenHost = "127.0.0.1";  // the station face (device protocol)
    unsigned short listenPort = 4001;
    std::string textHost = "127.0.0.1";  // the text face
    unsigned short textPort = kDefaultTextPort;
    bool swp08 = false;  // the SW-P-08 face, served only when asked for
    std::string swp08Host = "127.0.0.1";
    unsigned short swp08Port = kDefaultSwp08Port;
    bool ember = false;  // the Ember+ face, served only when asked for
    std::string emberHost = "127.0.0.1";
    unsigned short emberPort = 0;
    std::size_t maxClients = 256;  // per face: connections served at once
    bool handleSignals = false;    // SIGINT and SIGTERM stop the hub
    bool announce = false;         // announce the station and text faces by DNS-SD
    DeviceOwnerOptions device;
};

}  // namespace vantel
