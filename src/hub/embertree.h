#pragma once
// The Ember+ face's tree, made from the hub's state: what a consumer reads and what it is
// pushed. The tree is fixed in shape:
//
//   1        node "vantel", the switcher
//   1.1      parameter "online" (boolean): the device answers
//   1.2      parameter "name" (string): the model name
//   1.3      parameter "inputs", 1.4 "outputs" (integer): the counts
//   1.5      matrix "matrix": oneToN, linear; targets = outputs, sources = inputs, from 0
//   1.6      node "labels", the matrix's labels: 1.6.1 "targets", 1.6.2 "sources", under
//            each one writable string parameter per signal, numbered by the signal
//
// Every function here is pure: the session decides who is sent what.

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "hub/glow.h"
#include "hub/hubsnapshot.h"

namespace vantel {

namespace ember {

inline const GlowPath kDevice{1};
inline const GlowPath kOnline{1, 1};
inline const GlowPath kName{1, 2};
inline const GlowPath kInputs{1, 3};
inline const GlowPath kOutputs{1, 4};
inline const GlowPath kMatrix{1, 5};
inline const GlowPath kLabels{1, 6};
inline const GlowPath kTargetLabels{1, 6, 1};
inline const GlowPath kSourceLabels{1, 6, 2};

// The label a signal shows: the text face's label, or its number from 1 without one.
std::string LabelOf(const HubSnapshot& state, bool target, int signal);

// The answer to a get directory on path (the root for an empty path); nothing for a path
// outside the tree.
std::optional<std::string> Directory(const HubSnapshot& state, const GlowPath& path);

// A parameter with its value alone (the answer to a value set); nothing for a path that is
// no parameter.
std::optional<std::string> ParameterValue(const HubSnapshot& state, const GlowPath& path);

// The matrix's connections of these targets as the state holds them, with a disposition.
GlowConnection ConnectionOf(const HubSnapshot& state, int target,
                            std::optional<GlowDisposition> disposition);
std::string MatrixConnections(const std::vector<GlowConnection>& connections);

// True when a consumer that asked for the paths in watched (a directory or a subscription) is
// to be told of a change of path: it asked for it or for its parent.
bool Watches(const std::set<GlowPath>& watched, const GlowPath& path);

// The messages that tell such a consumer what changed between two states, in order: the
// device's presence first, its routing after it. Where told is given, the label parameters
// and the matrix targets (as the matrix's path and the target) told of are added to it.
std::vector<std::string> Changes(const HubSnapshot& before, const HubSnapshot& after,
                                 const std::set<GlowPath>& watched,
                                 std::set<GlowPath>* told = nullptr);

// The path that stands for target j of the matrix in a set of what a consumer was told.
GlowPath TargetPath(int target);

}  // namespace ember

}  // namespace vantel
