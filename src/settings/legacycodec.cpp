#include "settings/legacycodec.h"

#include <iconv.h>

#include <cerrno>

#include "settings/textcodec.h"

namespace vantel {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// One iconv conversion descriptor per direction and thread (a descriptor keeps state, so it
// is never shared between threads).
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) {
            ::iconv_close(cd_);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts input into out; at a byte that cannot be converted, calls on_error(out), skips
    // the byte and goes on when it returns true, gives up (returns false) otherwise.
    template <class OnError>
    bool convert(std::string_view input, std::string& out, OnError on_error) {
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // initial state
        char* in = const_cast<char*>(input.data());
        std::size_t in_left = input.size();
        char chunk[4096];
        while (in_left > 0) {
            char* put = chunk;
            std::size_t room = sizeof chunk;
            const std::size_t rc = ::iconv(cd_, &in, &in_left, &put, &room);
            out.append(chunk, static_cast<std::size_t>(put - chunk));
            if (rc != static_cast<std::size_t>(-1) || errno == E2BIG) {
                continue;
            }
            if (!on_error(out)) {
                return false;
            }
            ++in;
            --in_left;
            ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::string Gb18030ToUtf8(std::string_view bytes) {
    if (IsAscii(bytes)) {
        return std::string(bytes);
    }
    thread_local Converter converter("UTF-8", "GB18030");
    std::string out;
    const auto replace = [](std::string& text) {
        text.append(kReplacementUtf8);
        return true;
    };
    if (!converter.ok()) {
        // Without a converter only the ASCII characters can be told.
        for (char c : bytes) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out.push_back(c);
            } else {
                replace(out);
            }
        }
        return out;
    }
    converter.convert(bytes, out, replace);
    return out;
}

std::optional<std::string> Utf8ToGb18030(std::string_view text) {
    if (IsAscii(text)) {
        return std::string(text);
    }
    thread_local Converter converter("GB18030", "UTF-8");
    std::string out;
    if (!IsValidUtf8(text) || !converter.ok() ||
        !converter.convert(text, out, [](std::string&) { return false; })) {
        return std::nullopt;
    }
    return out;
}

}  // namespace vantel
