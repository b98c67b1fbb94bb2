#pragma once
// What the SALVO page says about an action on the routing: a take, an undo, and the question
// the context menu's undo asks first. Outputs and inputs are named by their labels, as the
// page's table names them (a number where the switch page has no name).

#include <QString>
#include <optional>
#include <string>
#include <vector>

class CButtonLabels;

namespace vantel {
struct ActionResult;
struct JournalEntry;
struct UndoResult;
}  // namespace vantel

// What a take of salvo name came to; failed tells whether it fell short. outOfReach: the
// outputs whose routes the device cannot take.
QString TakeText(const std::string& name, const vantel::ActionResult& result,
                 const std::vector<int>& outOfReach, const CButtonLabels& labels, bool& failed);

// What an undo did: the outputs restored and those left alone; failed tells whether it fell
// short.
QString UndoText(const vantel::UndoResult& undo, const CButtonLabels& labels, bool& failed);

// The question asked before an undo chosen from a menu: which action it takes back and the
// input each of its outputs goes back to.
QString UndoQuestion(const vantel::JournalEntry& entry, const CButtonLabels& labels);
