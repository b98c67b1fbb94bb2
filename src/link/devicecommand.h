#pragma once
// The device protocol's command numbers (docs/protocol.md, section 3), for every host-side
// program: the window, vantelctl and the hub.

inline constexpr unsigned char kReadSetup = 5;   // the setup block (counts and settings)
inline constexpr unsigned char kWriteSetup = 6;  // a new setup block
inline constexpr unsigned char kReadImage = 7;   // a scene's state image (0: the live routing)
inline constexpr unsigned char kLoadScene = 8;   // a stored scene made live
inline constexpr unsigned char kSaveScene = 9;   // the live routing stored as a scene
inline constexpr unsigned char kSwitch = 12;     // one input to a set of outputs
