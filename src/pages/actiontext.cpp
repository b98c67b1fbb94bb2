#include "pages/actiontext.h"

#include <QStringList>
#include <algorithm>

#include "pages/buttonlabels.h"
#include "routing/journalentry.h"
#include "routing/linkfailure.h"
#include "routing/routingaction.h"

namespace {

using vantel::OutputChange;
using vantel::OutputMismatch;

QString Quoted(const std::string& name) {
    return QStringLiteral("\"%1\"").arg(QString::fromStdString(name));
}

QString OutputName(const CButtonLabels& labels, int output) {
    return QStringLiteral("output %1").arg(labels.Output(output));
}

QString HeldText(const CButtonLabels& labels, const std::optional<int>& held) {
    return held ? labels.Input(*held) : QStringLiteral("unknown");
}

// Each output with the two inputs the form names: the one wanted or set (%2) and the one
// held (%3), e.g. "output Stage wants Cam 4, holds none; output 5 wants none, holds unknown".
QString MismatchText(const std::vector<OutputMismatch>& differing, const CButtonLabels& labels,
                     const QString& form = QStringLiteral("%1 wants %2, holds %3")) {
    QStringList parts;
    for (const OutputMismatch& m : differing) {
        parts << form.arg(OutputName(labels, m.output), labels.Input(m.wanted),
                          HeldText(labels, m.held));
    }
    return parts.join(QStringLiteral("; "));
}

QString OutputList(const std::vector<int>& outputs, const CButtonLabels& labels) {
    QStringList parts;
    for (int output : outputs) {
        parts << labels.Output(output);
    }
    return parts.join(QStringLiteral(", "));
}

QString FailureSuffix(vantel::LinkFailure failure) {
    const std::string text = vantel::LinkFailureText(failure);
    return text.empty() ? QString() : QStringLiteral(" (%1)").arg(QString::fromStdString(text));
}

// ", nothing sent" when no command of the action went out: the routing is as it was.
QString NothingSent(const vantel::ApplyResult& apply) {
    return apply.rounds == 0 ? QStringLiteral(", nothing sent") : QString();
}

// The outputs not known to be as wanted. An output whose state is unknown (the read-back
// failed) counts only when the action had to change it: the others were never touched.
std::vector<OutputMismatch> Differing(const vantel::ActionResult& result) {
    std::vector<OutputMismatch> kept;
    for (const OutputMismatch& m : result.apply.differing) {
        const bool changed =
            std::any_of(result.changing.begin(), result.changing.end(),
                        [&](const OutputChange& change) { return change.output == m.output; });
        if (m.held || changed) {
            kept.push_back(m);
        }
    }
    return kept;
}

// "did not take (no reply): output 1 wants 4, holds unknown"
QString ShortfallText(const vantel::ActionResult& result, const CButtonLabels& labels) {
    const std::vector<OutputMismatch> differing = Differing(result);
    const QString what = differing.empty() ? QStringLiteral("the routing could not be read back")
                                           : MismatchText(differing, labels);
    return QStringLiteral("did not take%1: %2").arg(FailureSuffix(result.apply.failure), what);
}

// "output 5 was Cam 3, now none; output 6 was 4, now none".
QString ChangedWhileTakingText(const std::vector<OutputChange>& changed,
                               const CButtonLabels& labels) {
    QStringList parts;
    for (const OutputChange& c : changed) {
        parts << QStringLiteral("%1 was %2, now %3")
                     .arg(OutputName(labels, c.output), labels.Input(c.now), labels.Input(c.after));
    }
    return parts.join(QStringLiteral("; "));
}

}  // namespace

QString TakeText(const std::string& name, const vantel::ActionResult& result,
                 const std::vector<int>& outOfReach, const CButtonLabels& labels, bool& failed) {
    const vantel::ApplyResult& apply = result.apply;
    failed = !apply.Clean();
    if (apply.Clean()) {
        return QStringLiteral("%1 taken: read back as the salvo wants it.").arg(Quoted(name));
    }
    if (apply.ok) {
        return QStringLiteral("%1 taken, but outputs outside it changed while the take ran: %2.")
            .arg(Quoted(name), ChangedWhileTakingText(apply.changedWhileTaking, labels));
    }
    if (const auto& counts = apply.countsChanged) {
        return QStringLiteral(
                   "%1 stopped: the device's inputs and outputs changed during the take (from "
                   "%2 x %3 to %4 x %5).")
            .arg(Quoted(name))
            .arg(counts->inputsBefore)
            .arg(counts->outputsBefore)
            .arg(counts->inputsNow)
            .arg(counts->outputsNow);
    }
    if (!result.error.empty()) {
        return QStringLiteral("%1 not taken%2: %3.")
            .arg(Quoted(name), NothingSent(apply), QString::fromStdString(result.error));
    }
    if (apply.outOfReach) {
        return QStringLiteral(
                   "%1 not taken, nothing sent: outputs %2 name outputs or inputs this "
                   "device lacks.")
            .arg(Quoted(name), OutputList(outOfReach, labels));
    }
    return QStringLiteral("%1 %2").arg(Quoted(name), ShortfallText(result, labels));
}

QString UndoText(const vantel::UndoResult& undo, const CButtonLabels& labels, bool& failed) {
    failed = !undo.ok;
    if (undo.nothingToUndo) {
        failed = false;
        return QStringLiteral("Nothing to undo.");
    }
    if (!undo.action.error.empty()) {
        return QStringLiteral("Undo not done%1: %2.")
            .arg(NothingSent(undo.action.apply), QString::fromStdString(undo.action.error));
    }
    std::vector<int> restored;
    for (const OutputChange& change : undo.restored) {
        restored.push_back(change.output);
    }
    QString text = QStringLiteral("Undid %1 %2: ")
                       .arg(QString::fromStdString(undo.undone.action), Quoted(undo.undone.name));
    text += restored.empty()
                ? QStringLiteral("no output to restore")
                : QStringLiteral("restored outputs %1").arg(OutputList(restored, labels));
    if (!undo.conflicts.empty()) {
        text +=
            QStringLiteral("; left alone, changed since: %1")
                .arg(MismatchText(undo.conflicts, labels, QStringLiteral("%1 set to %2, now %3")));
    }
    if (!undo.ok && !undo.action.apply.differing.empty()) {
        text += QStringLiteral("; %1").arg(ShortfallText(undo.action, labels));
    }
    return text + QStringLiteral(".");
}

QString UndoQuestion(const vantel::JournalEntry& entry, const CButtonLabels& labels) {
    QStringList back;
    for (const OutputChange& change : entry.outputs) {
        back << QStringLiteral("%1 back to %2")
                    .arg(OutputName(labels, change.output), labels.Input(change.now));
    }
    const QString what =
        back.isEmpty() ? QStringLiteral("no output") : back.join(QStringLiteral("; "));
    return QStringLiteral("Undo %1 %2?\nIt puts %3, where nothing else has changed them since.")
        .arg(QString::fromStdString(entry.action), Quoted(entry.name), what);
}
