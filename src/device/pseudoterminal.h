#pragma once
// CPseudoTerminal: a pseudo-terminal pair whose slave side looks like a serial port to a
// client. The slave is put into raw mode here, so bytes pass unchanged whatever the client
// sets, and one slave descriptor stays open for the whole run, so the master never reads an
// end of file when a client closes the port.

#include <string>

namespace vantel {

class CPseudoTerminal {
public:
    CPseudoTerminal() = default;
    ~CPseudoTerminal();
    CPseudoTerminal(const CPseudoTerminal&) = delete;
    CPseudoTerminal& operator=(const CPseudoTerminal&) = delete;

    // False with *error when the pair cannot be made.
    bool Open(std::string& error);
    // Hands the master descriptor over to the caller, who closes it from then on.
    int ReleaseMaster();
    const std::string& SlavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

}  // namespace vantel
