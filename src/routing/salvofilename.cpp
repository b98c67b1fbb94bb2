#include "routing/salvofilename.h"

#include <cstdint>
#include <cstdio>

namespace vantel {

namespace {

bool IsSlugCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Letters and digits of the name, lower case; every run of other bytes becomes one '-'.
std::string Slug(std::string_view name) {
    std::string slug;
    for (const char c : name) {
        if (slug.size() >= kMaxSlugBytes) {
            break;
        }
        if (IsSlugCharacter(c)) {
            slug += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        } else if (!slug.empty() && slug.back() != '-') {
            slug += '-';
        }
    }
    while (!slug.empty() && slug.back() == '-') {
        slug.pop_back();
    }
    return slug.empty() ? "salvo" : slug;
}

// FNV-1a, 32 bits, over the name's bytes.
std::uint32_t NameHash(std::string_view name) {
    std::uint32_t hash = 2166136261u;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace

std::string SalvoFileName(std::string_view name, int attempt) {
    char hash[16];
    std::snprintf(hash, sizeof hash, "-%08x", static_cast<unsigned>(NameHash(name)));
    std::string file = Slug(name) + hash;
    if (attempt > 0) {
        file += "-" + std::to_string(attempt);
    }
    return file + kSalvoFileSuffix;
}

}  // namespace vantel
