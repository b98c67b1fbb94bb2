#pragma once
// Route requests that text clients had acknowledged on acceptance, waiting to be applied
// together: one plan of switch commands over all of them and one read-back. What a batch
// asked for and the device did not take afterwards is named for the log and the journal.

#include <string>
#include <utility>
#include <vector>

#include "hub/hubsnapshot.h"
#include "hub/locktable.h"

namespace vantel {

using Routes = std::vector<std::pair<int, int>>;  // (output, input); input below 0 unroutes

struct RouteBatch {
    LockOwner owner;
    Routes routes;
};

// True when none of the routes would change an output that another owner than this one has
// locked (locks: the owner of each output; routing an output to the input it already has
// changes nothing).
bool RoutesAllowed(const HubSnapshot& state, const std::vector<LockOwner>& locks,
                   const LockOwner& owner, const Routes& routes);

// The batches' routes in the order they came (a later route for an output wins), leaving out
// whole every batch that RoutesAllowed refuses; those are appended to refused.
Routes MergeBatches(const std::vector<RouteBatch>& batches, const HubSnapshot& state,
                    const CLockTable& locks, std::vector<RouteBatch>& refused);

// The routes whose output the state does not show fed by the input wanted, or unrouted when
// the input is below 0 (the last route for an output counts); empty when the state holds them
// all.
Routes RoutesNotHeld(const HubSnapshot& state, const Routes& routes);

// "by 127.0.0.1 (locked): out 3 to in 2 (holds in 1), ..." with ports counted from 1, for
// the log and the journal; at most maxBytes long.
std::string NotTakenText(const LockOwner& owner, const char* why, const Routes& routes,
                         const HubSnapshot& state, std::size_t maxBytes = 900);

}  // namespace vantel
