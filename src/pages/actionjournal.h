#pragma once
// Journal lines for the commands the switch and scene pages send on the routing. Each line is
// written as "sending" before its command goes out, so that undo (Ctrl+Z on the SALVO page)
// covers them, and closed with the command's answer; a command whose line cannot be written
// is not sent.

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/stateimage.h"
#include "routing/journalentry.h"
#include "routing/salvo.h"

class CVexaLib;

namespace vantel {

// What a switch command (input from 1, its whole new set of outputs from 1) does to the
// routing live, as a salvo: the listed outputs get the input, the outputs the input fed and
// that are not listed get none.
Salvo SwitchAsSalvo(const CStateImage& live, int input, const std::vector<int>& outputs);

// Appends the "sending" line of taking salvo on the routing live (action: its kind) to the
// journal beside the settings file and keeps it in opened. Why not, for the operator, or
// empty when the line is written (opened then holds it) or the salvo changes nothing (opened
// then holds none).
QString JournalAction(const std::string& settingsFile, std::string_view action, const Salvo& salvo,
                      const CStateImage& live, std::optional<JournalEntry>& opened);

// Closes the opened line with the command's result (a VexaResult): "done" when the device
// confirmed it, "unchanged" when it refused; without an answer the line stays open. Empties
// opened.
void CloseAction(const std::string& settingsFile, std::optional<JournalEntry>& opened,
                 unsigned result);

// Reads the live routing and stored scene (1..11) and journals what loading the scene does.
// Why not, or empty. When the device does not answer the reads, the message is the one the
// scene command itself would have given.
QString JournalSceneLoad(CVexaLib& link, const std::string& settingsFile, int scene,
                         std::optional<JournalEntry>& opened);

}  // namespace vantel
