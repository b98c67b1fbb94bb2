#pragma once
// CtlOptions: the options that every vantelctl command shares.

#include <string>

namespace vantel {

struct CtlOptions {
    std::string host;    // --host ADDR[:PORT]; empty when not given
    std::string serial;  // --serial COMn|PATH; empty when not given
    std::string config;  // --config FILE; empty: the application's setup.ini
    int timeout = 500;   // --timeout MS, per command
    bool json = false;   // --json
};

}  // namespace vantel
