#pragma once
// CCtlError: a failure of a vantelctl command, with the exit code that reports it. The message
// is one line, shown on stderr after the program name.

#include <stdexcept>
#include <string>

namespace vantel {

// Exit codes of vantelctl.
enum class CtlExit : int {
    kDone = 0,
    kNoResponse = 1,          // no usable reply: none, a refusal, or a reply that cannot be used
    kUsage = 2,               // the command line is wrong
    kCannotOpen = 3,          // the port, the connection or the settings file cannot be opened
    kChangedWhileTaking = 4,  // taken, but outputs outside it changed while the take ran
};

class CCtlError : public std::runtime_error {
public:
    CCtlError(CtlExit code, const std::string& message)
        : std::runtime_error(message), m_code(code) {}

    CtlExit Code() const { return m_code; }

private:
    CtlExit m_code;
};

}  // namespace vantel
