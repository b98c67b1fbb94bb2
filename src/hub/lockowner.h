#pragma once
// LockOwner: who holds an output's lock. Every face of the hub names its clients the same way:
// a protocol client (text, SW-P-08, Ember+) by the network address it connects from, a browser
// user by the name it signed in with. Every connection with the same owner shares its locks,
// and a lock outlives the connection that made it.

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace vantel {

class LockOwner {
public:
    // The longest address or user name an owner keeps; a longer one is cut.
    static constexpr std::size_t kMaxNameBytes = 128;

    LockOwner() = default;  // nobody: the output is unlocked

    // A client by its address ("127.0.0.1", "::1"); an IPv4 address seen through an IPv6
    // socket ("::ffff:127.0.0.5") is the same client as its plain form.
    static LockOwner Address(std::string_view address);
    // A browser user by its name.
    static LockOwner User(std::string_view name);
    // The owner of a stored key (Key()); nothing for a key that names nobody sound.
    static std::optional<LockOwner> FromKey(std::string_view key);

    bool IsNobody() const { return m_key.empty(); }
    // One line of text that tells owners apart: "address 127.0.0.1", "user alice".
    const std::string& Key() const { return m_key; }
    // How a log or journal line names the owner: the address, or "user alice".
    std::string Describe() const;

    auto operator<=>(const LockOwner&) const = default;

private:
    static LockOwner Make(std::string_view kind, std::string_view name);

    std::string m_key;
};

}  // namespace vantel
