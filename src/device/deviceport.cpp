#include "device/deviceport.h"

#include <algorithm>

namespace vantel {

CDevicePort::CDevicePort(CSwitcher& device, CReplyFaults* faults)
    : m_device(device), m_faults(faults) {}

CDevicePort::Result CDevicePort::Feed(const std::uint8_t* data, std::size_t size,
                                      std::vector<std::uint8_t>& out) {
    Result result;
    // Fed in slices so that the decoder never buffers more than one frame plus one slice.
    for (std::size_t offset = 0; offset < size; offset += kMaxFrameSize) {
        const std::size_t slice = std::min(kMaxFrameSize, size - offset);
        m_decoder.Feed(data + offset, slice);
        while (m_decoder.Next(m_request)) {
            const CSwitcher::Reply reply = Apply(m_request);
            ++result.commands;
            result.changed = result.changed || reply.changed;
            m_reply.clear();
            AppendFrame(m_reply, m_request.seq, m_request.cmd, reply.status, reply.payload.data(),
                        reply.payload.size());
            if (m_faults == nullptr || m_faults->Apply(m_reply)) {
                out.insert(out.end(), m_reply.begin(), m_reply.end());
            }
        }
    }
    return result;
}

CSwitcher::Reply CDevicePort::Apply(const Frame& request) {
    if (!m_keeper) {
        return m_device.Handle(request.cmd, request.payload);
    }
    CSwitcher before = m_device;
    CSwitcher::Reply reply = m_device.Handle(request.cmd, request.payload);
    if (reply.changed && !m_keeper()) {
        m_device = std::move(before);
        return CSwitcher::Reply{kStatusNotKept, {}, false};
    }
    return reply;
}

}  // namespace vantel
