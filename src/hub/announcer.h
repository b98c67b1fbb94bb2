#pragma once
// CAnnouncer: announces the hub's faces on the local network by DNS-SD, through the system's
// Avahi daemon, so control software finds them without an address typed in. Nothing here is
// ever fatal: without a daemon (or a build without Avahi) one log line says the faces are not
// announced, and they are announced once a daemon appears. A name taken by another service on
// the network is replaced by the daemon's alternative ("Name #2").

#include <memory>
#include <string>
#include <vector>

#include "hub/clientconnection.h"

namespace vantel {

// The service types of the two faces.
inline constexpr const char* kTextServiceType = "_videohub._tcp";
inline constexpr const char* kStationServiceType = "_vantel._tcp";

struct AnnouncedService {
    std::string type;
    unsigned short port = 0;
    std::vector<std::string> txt;  // "key=value" records
};

class CAnnouncer {
public:
    explicit CAnnouncer(HubLog log);
    ~CAnnouncer();
    CAnnouncer(const CAnnouncer&) = delete;
    CAnnouncer& operator=(const CAnnouncer&) = delete;

    // Announces the services under name, replacing what was announced before; from any thread.
    void Announce(const std::string& name, std::vector<AnnouncedService> services);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace vantel
