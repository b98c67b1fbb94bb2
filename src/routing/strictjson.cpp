#include "routing/strictjson.h"

#include <vector>

#include "settings/textcodec.h"

namespace vantel {

namespace {

using Json = nlohmann::json;

// A parse message is cut to this many bytes: the token it quotes may be a whole long string.
constexpr std::size_t kMaxMessageBytes = 160;

// Builds the document as the parser reports it, refusing a key given twice.
class StrictBuilder {
public:
    explicit StrictBuilder(Json& root) : m_root(root) {}

    bool null() { return Place(Json(nullptr)) != nullptr; }
    bool boolean(bool value) { return Place(Json(value)) != nullptr; }
    bool number_integer(Json::number_integer_t value) { return Place(Json(value)) != nullptr; }
    bool number_unsigned(Json::number_unsigned_t value) { return Place(Json(value)) != nullptr; }
    bool number_float(Json::number_float_t, const Json::string_t& text) {
        return Place(Json::binary(Json::binary_t::container_type(text.begin(), text.end()))) !=
               nullptr;
    }
    bool string(Json::string_t& value) { return Place(Json(std::move(value))) != nullptr; }
    bool binary(Json::binary_t&) { return false; }  // never in JSON text
    bool start_object(std::size_t) { return Open(Json::object()); }
    bool start_array(std::size_t) { return Open(Json::array()); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }

    bool key(Json::string_t& name) {
        Json& object = *m_open.back();
        if (object.contains(name)) {
            m_problem = Json(name).dump(-1, ' ', false, Json::error_handler_t::replace) +
                        " is given twice in one object";
            return false;
        }
        m_key = &object[name];
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) {
        std::string message = error.what();
        // "[json.exception.parse_error.101] parse error at line 3, column 5: ..."
        const std::size_t tag = message.find("] ");
        if (tag != std::string::npos) {
            message.erase(0, tag + 2);
        }
        message = ToValidUtf8(message);
        message.resize(WholeUtf8Prefix(message, kMaxMessageBytes));
        m_problem = "not valid JSON: " + message;
        return false;
    }

    const std::string& Problem() const { return m_problem; }

private:
    // Puts value where the parser is: the root, the end of the open array, or the last key.
    Json* Place(Json value) {
        if (m_open.empty()) {
            m_root = std::move(value);
            return &m_root;
        }
        Json& container = *m_open.back();
        if (container.is_array()) {
            container.push_back(std::move(value));
            return &container.back();
        }
        *m_key = std::move(value);
        return m_key;
    }

    bool Open(Json value) {
        m_open.push_back(Place(std::move(value)));
        return true;
    }

    bool Close() {
        m_open.pop_back();
        return true;
    }

    Json& m_root;
    std::vector<Json*> m_open;  // the arrays and objects not yet closed, innermost last
    Json* m_key = nullptr;      // the value of the last key read
    std::string m_problem;
};

}  // namespace

std::string ParseStrictJson(std::string_view text, Json& doc) {
    Json read;
    StrictBuilder builder(read);
    const bool whole = Json::sax_parse(text.begin(), text.end(), &builder);
    if (!whole) {
        return builder.Problem().empty() ? std::string("not valid JSON") : builder.Problem();
    }
    doc = std::move(read);
    return {};
}

std::string JsonValueText(const Json& value) {
    if (value.is_binary()) {
        const Json::binary_t& text = value.get_binary();
        return std::string(text.begin(), text.end());
    }
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace vantel
