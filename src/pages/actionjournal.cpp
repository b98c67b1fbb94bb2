#include "pages/actionjournal.h"

#include "link/vexalib.h"
#include "pages/commandfailure.h"
#include "routing/capture.h"
#include "routing/journal.h"
#include "routing/routingaction.h"
#include "routing/routingimage.h"
#include "routing/vexaroutinglink.h"

namespace vantel {
namespace {

// The command result a read that failed this way stands for.
unsigned ResultOf(LinkFailure failure) {
    return failure == LinkFailure::kRefused ? kVexaRefused : kVexaTimeout;
}

}  // namespace

Salvo SwitchAsSalvo(const CStateImage& live, int input, const std::vector<int>& outputs) {
    Salvo salvo{"input " + std::to_string(input), {}};
    for (int output = 1; output <= live.OutputCount(); ++output) {
        if (HeldInput(live, output) == input) {
            salvo.routes[output] = 0;
        }
    }
    for (int output : outputs) {
        salvo.routes[output] = input;
    }
    return salvo;
}

QString JournalAction(const std::string& settingsFile, std::string_view action, const Salvo& salvo,
                      const CStateImage& live, std::optional<JournalEntry>& opened) {
    opened.reset();
    JournalEntry entry = JournalEntryFor(action, salvo, live);
    if (entry.outputs.empty()) {
        return {};
    }
    entry.state = JournalState::kSending;
    CJournal journal(CJournal::FileBeside(settingsFile));
    std::string error;
    if (journal.Append(entry, &error)) {
        opened = std::move(entry);
        return {};
    }
    return QStringLiteral("Nothing sent: the action journal cannot be written (%1).")
        .arg(QString::fromStdString(error));
}

void CloseAction(const std::string& settingsFile, std::optional<JournalEntry>& opened,
                 unsigned result) {
    if (!opened || (result != kVexaOk && result != kVexaRefused)) {
        // Without an answer the outcome is unknown: the line stays "sending", and undo reads
        // the device to see what the command did.
        opened.reset();
        return;
    }
    // One command is taken whole or not at all: a confirmed one changed what it was meant
    // to, a refused one nothing, so that undo passes over it.
    opened->time.clear();
    opened->state = result == kVexaOk ? JournalState::kDone : JournalState::kUnchanged;
    CJournal(CJournal::FileBeside(settingsFile)).Append(*opened);
    opened.reset();
}

QString JournalSceneLoad(CVexaLib& link, const std::string& settingsFile, int scene,
                         std::optional<JournalEntry>& opened) {
    CVexaRoutingLink routing(link);
    CStateImage live;
    const LinkFailure failure = ReadRouting(routing, 0, live);
    if (failure != LinkFailure::kNone) {
        return CommandFailureText(ResultOf(failure));
    }
    const CaptureResult stored = CaptureSalvo(routing, "Scene" + std::to_string(scene), scene, {});
    if (!stored.ok) {
        return stored.failure != LinkFailure::kNone ? CommandFailureText(ResultOf(stored.failure))
                                                    : QString::fromStdString(stored.error);
    }
    return JournalAction(settingsFile, "scene", stored.salvo, live, opened);
}

}  // namespace vantel
