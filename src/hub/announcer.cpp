#include "hub/announcer.h"

#ifdef VANTEL_HAVE_AVAHI
#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>
#endif

namespace vantel {

#ifdef VANTEL_HAVE_AVAHI

// Everything below runs under the threaded poll's lock: on its thread in callbacks, or from
// Announce with the lock taken.
struct CAnnouncer::Impl {
    HubLog log;
    AvahiThreadedPoll* poll = nullptr;
    AvahiClient* client = nullptr;
    AvahiEntryGroup* group = nullptr;
    std::string name;
    std::vector<AnnouncedService> services;
    bool running = false;
    bool toldMissing = false;

    void Missing(const std::string& why) {
        if (!toldMissing) {
            toldMissing = true;
            log("not announced on the network (DNS-SD): " + why);
        }
    }

    void Register() {
        if (!running || name.empty() || services.empty()) {
            return;
        }
        if (group == nullptr) {
            group = avahi_entry_group_new(client, &Impl::OnGroup, this);
            if (group == nullptr) {
                Missing(avahi_strerror(avahi_client_errno(client)));
                return;
            }
        }
        avahi_entry_group_reset(group);
        for (const auto& service : services) {
            AvahiStringList* txt = nullptr;
            for (const auto& record : service.txt) {
                txt = avahi_string_list_add(txt, record.c_str());
            }
            const int error = avahi_entry_group_add_service_strlst(
                group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, AvahiPublishFlags(0), name.c_str(),
                service.type.c_str(), nullptr, nullptr, service.port, txt);
            avahi_string_list_free(txt);
            if (error == AVAHI_ERR_COLLISION) {
                Rename();
                return;
            }
            if (error < 0) {
                log("DNS-SD: cannot announce " + service.type + ": " + avahi_strerror(error));
            }
        }
        avahi_entry_group_commit(group);
    }

    void Rename() {
        char* alternative = avahi_alternative_service_name(name.c_str());
        log("DNS-SD: the name \"" + name + "\" is taken; announced as \"" + alternative + "\"");
        name = alternative;
        avahi_free(alternative);
        Register();
    }

    static void OnGroup(AvahiEntryGroup*, AvahiEntryGroupState state, void* data) {
        auto* self = static_cast<Impl*>(data);
        if (state == AVAHI_ENTRY_GROUP_COLLISION) {
            self->Rename();
        } else if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
            self->log("announced on the network (DNS-SD) as \"" + self->name + "\"");
        }
    }

    static void OnClient(AvahiClient* client, AvahiClientState state, void* data) {
        auto* self = static_cast<Impl*>(data);
        self->client = client;
        self->running = state == AVAHI_CLIENT_S_RUNNING;
        if (state == AVAHI_CLIENT_S_RUNNING) {
            self->Register();
        } else if (state == AVAHI_CLIENT_S_COLLISION || state == AVAHI_CLIENT_S_REGISTERING) {
            if (self->group != nullptr) {
                avahi_entry_group_reset(self->group);
            }
        } else if (state == AVAHI_CLIENT_CONNECTING) {
            self->Missing("no Avahi daemon answers; announced once one starts");
        } else if (state == AVAHI_CLIENT_FAILURE) {
            self->Missing(avahi_strerror(avahi_client_errno(client)));
        }
    }
};

CAnnouncer::CAnnouncer(HubLog log) : m_impl(std::make_unique<Impl>()) {
    m_impl->log = std::move(log);
    m_impl->poll = avahi_threaded_poll_new();
    if (m_impl->poll == nullptr) {
        m_impl->Missing("cannot start its event loop");
        return;
    }
    int error = 0;
    // No-fail: without a daemon the client waits for one instead of failing.
    m_impl->client = avahi_client_new(avahi_threaded_poll_get(m_impl->poll), AVAHI_CLIENT_NO_FAIL,
                                      &Impl::OnClient, m_impl.get(), &error);
    if (m_impl->client == nullptr) {
        m_impl->Missing(avahi_strerror(error));
        return;
    }
    avahi_threaded_poll_start(m_impl->poll);
}

CAnnouncer::~CAnnouncer() {
    if (m_impl->poll != nullptr) {
        avahi_threaded_poll_stop(m_impl->poll);
    }
    if (m_impl->client != nullptr) {
        avahi_client_free(m_impl->client);  // frees the entry group too
    }
    if (m_impl->poll != nullptr) {
        avahi_threaded_poll_free(m_impl->poll);
    }
}

void CAnnouncer::Announce(const std::string& name, std::vector<AnnouncedService> services) {
    if (m_impl->poll == nullptr || m_impl->client == nullptr) {
        return;
    }
    avahi_threaded_poll_lock(m_impl->poll);
    m_impl->name = name;
    m_impl->services = std::move(services);
    m_impl->Register();
    avahi_threaded_poll_unlock(m_impl->poll);
}

#else

struct CAnnouncer::Impl {};

CAnnouncer::CAnnouncer(HubLog log) : m_impl(std::make_unique<Impl>()) {
    log("not announced on the network (DNS-SD): built without Avahi");
}

CAnnouncer::~CAnnouncer() = default;

void CAnnouncer::Announce(const std::string&, std::vector<AnnouncedService>) {}

#endif

}  // namespace vantel
