#pragma once
// CTextSession: a control system speaking the text protocol. On connect it gets the preamble
// and the whole state; each block it sends is answered ACK or NAK, in order: a request to
// route, label or lock is answered once the hub has done it and read it back (NAK when it
// cannot be done: a port the device lacks, an output locked from another address, a device
// that does not answer), a block the hub does not understand NAK with the connection kept. Every
// change of the state, whoever made it, is pushed as the blocks of what changed since what the
// client was last told; changes that come while it is still being written to are told
// together, the newest state winning.

#include "hub/queuedsession.h"
#include "hub/textblockreader.h"

namespace vantel {

class CTextSession : public CQueuedSession<TextBlock> {
public:
    // Blocks received and not yet answered; beyond them nothing more is read until some are.
    static constexpr std::size_t kMaxWaitingBlocks = 64;
    // The bytes of those blocks: beyond them nothing more is read either.
    static constexpr std::size_t kMaxWaitingBytes = 256 * 1024;

    CTextSession(asio::ip::tcp::socket socket, ClientId id, IHubContext& hub, HubLog log,
                 Closed closed);

    // The hub's state changed: the client is told what changed since what it was last told,
    // as soon as nothing is being written to it.
    void Push() { MarkStale(); }

protected:
    void OnStart() override;
    void OnData(std::string_view data) override;
    SharedBytes TakeStale() override;

private:
    bool Serve(const TextBlock& block) override;
    void Answer(bool ok) { Send(ok ? "ACK\n\n" : "NAK\n\n"); }

    LockOwner m_owner;  // the client's address: its locks are those of every client from there
    CTextBlockReader m_reader;
    SnapshotPtr m_told;  // the state the client was last told
};

}  // namespace vantel
