#pragma once
// CLabelStore: the button labels of section "BUTTON" of setup.ini, the names the window shows
// (a button without a key shows its number), and beside them, in section "HUB", the name the
// hub gives the switcher on the network (key "name") and its unique id (key "uniqueid"). Read
// again whenever the file changed on disk, so a label renamed in the window reaches the hub's
// clients too; written all at once.

#include <sys/stat.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "settings/buttonlabel.h"

namespace vantel {

class CLabelStore {
public:
    // No path: every button shows its number and no label can be set.
    explicit CLabelStore(std::string path);

    // Reads the labels when the file is new or changed since the last read; true when read.
    bool Reload();
    // The labels of every button of a kind (kMaxLabelButtons each).
    const std::vector<std::string>& Labels(ButtonKind kind) const;
    // Sets labels (button index, text) in one atomic write of the file, each as the file can
    // hold it. False, and nothing written, without a file, for an index beyond the buttons, or
    // when the write fails.
    bool Set(ButtonKind kind, const std::vector<std::pair<int, std::string>>& labels);

    // The friendly name; empty when none is stored.
    const std::string& FriendlyName() const { return m_friendlyName; }
    // Stores a friendly name, made storable like a label; false without a file or when the
    // write fails.
    bool SetFriendlyName(const std::string& name);
    // The unique id: twelve hex digits, made once and stored; without a file (or one that
    // cannot be written) one made for this run.
    const std::string& UniqueId();

private:
    void Read();

    std::string m_path;
    // What tells one version of the file from the next: a write replaces the file (a new
    // inode), and two writes within one tick of the file system's clock differ in inode still.
    using Stamp = std::tuple<ino_t, off_t, long, long>;
    Stamp m_stamp{};
    bool m_read = false;
    std::vector<std::string> m_inputs;
    std::vector<std::string> m_outputs;
    std::string m_friendlyName;
    std::string m_uniqueId;
};

}  // namespace vantel
