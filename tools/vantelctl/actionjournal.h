#pragma once
// The action journal and the salvo folder of a vantelctl run: both live beside the settings
// file in use, by the same rule as the application's, so that undo in one program takes back
// what the other did.

#include <cstdint>
#include <span>
#include <string>

#include "link/stateimage.h"
#include "routing/journal.h"
#include "routing/routingaction.h"
#include "routing/salvo.h"
#include "routing/salvostore.h"

namespace vantel {

CJournal JournalBeside(const std::string& settingsPath);
CSalvoStore SalvosBeside(const std::string& settingsPath);

class CDeviceSession;

// Sends one command that makes the routing before into wanted (a switch, a scene load),
// journaled: first what it would change, to the journal beside the settings file (nothing when
// it changes nothing), then, once the device answered, that it was done or, refused, changed
// nothing. A journal that cannot be written stops the action before anything is sent
// (CCtlError kCannotOpen), so every change vantelctl makes can be taken back. A command without
// a reply keeps its first line only: undo then reads the device to see what it did.
void SendJournaled(CDeviceSession& session, const std::string& settingsPath, const char* action,
                   const Salvo& wanted, const CStateImage& before, std::uint8_t cmd,
                   std::span<const std::uint8_t> payload, const std::string& what);

// Reports an action that did not go out at all: the journal could not be written (kCannotOpen)
// or the routing could not be read (kNoResponse).
[[noreturn]] void ThrowNotTaken(const ActionResult& result);

}  // namespace vantel
