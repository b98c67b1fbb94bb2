#include "hub/lockowner.h"

#include <algorithm>

namespace vantel {

namespace {

constexpr std::string_view kAddressKind = "address";
constexpr std::string_view kUserKind = "user";
constexpr std::string_view kMappedV4 = "::ffff:";

// A name as one line of printable bytes: control bytes (a line end in a user name) would
// break the lock file and the log.
std::string Printable(std::string_view name) {
    std::string out(name.substr(0, LockOwner::kMaxNameBytes));
    std::replace_if(
        out.begin(), out.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return out;
}

}  // namespace

LockOwner LockOwner::Make(std::string_view kind, std::string_view name) {
    LockOwner owner;
    if (!name.empty()) {
        owner.m_key = std::string(kind) + " " + Printable(name);
    }
    return owner;
}

LockOwner LockOwner::Address(std::string_view address) {
    if (address.size() > kMappedV4.size() && address.substr(0, kMappedV4.size()) == kMappedV4 &&
        address.find('.') != std::string_view::npos) {
        address.remove_prefix(kMappedV4.size());
    }
    return Make(kAddressKind, address);
}

LockOwner LockOwner::User(std::string_view name) {
    return Make(kUserKind, name);
}

std::optional<LockOwner> LockOwner::FromKey(std::string_view key) {
    const auto space = key.find(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    const auto kind = key.substr(0, space);
    const auto name = key.substr(space + 1);
    if (name.empty() || name.size() > kMaxNameBytes || Printable(name) != name) {
        return std::nullopt;
    }
    if (kind == kAddressKind) {
        return Address(name);
    }
    if (kind == kUserKind) {
        return User(name);
    }
    return std::nullopt;
}

std::string LockOwner::Describe() const {
    if (IsNobody()) {
        return "nobody";
    }
    const auto space = m_key.find(' ');
    const std::string_view kind(m_key.data(), space);
    return kind == kAddressKind ? m_key.substr(space + 1) : m_key;
}

}  // namespace vantel
