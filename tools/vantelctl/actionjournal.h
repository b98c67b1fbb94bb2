#pragma once
// The action journal and the salvo folder of a vantelctl run: both live beside the settings
// file in use, by the same rule as the application's, so that undo in one program takes back
// what the other did.

#include <string>

#include "link/stateimage.h"
#include "routing/journal.h"
#include "routing/routingaction.h"
#include "routing/salvo.h"
#include "routing/salvostore.h"

namespace vantel {

CJournal JournalBeside(const std::string& settingsPath);
CSalvoStore SalvosBeside(const std::string& settingsPath);

// Appends what taking the routing wanted would change on the routing before to the journal
// beside the settings file; nothing when it changes nothing. A journal that cannot be written
// stops the action before anything is sent (CCtlError kCannotOpen), so every change vantelctl
// makes can be taken back.
void JournalBeforeSending(const std::string& settingsPath, const char* action, const Salvo& wanted,
                          const CStateImage& before);

// Reports an action that did not go out at all: the journal could not be written (kCannotOpen)
// or the routing could not be read (kNoResponse).
[[noreturn]] void ThrowNotTaken(const ActionResult& result);

}  // namespace vantel
