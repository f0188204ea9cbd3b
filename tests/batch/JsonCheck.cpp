// Strict JSON reader for the tests.
#include "JsonCheck.h"

#include <charconv>
#include <cstdint>

namespace {

class Reader {
  public:
    explicit Reader(std::string_view text) : m_text(text) {}

    JsonValue Document() {
        SkipSpace();
        JsonValue value = Value();
        SkipSpace();
        if (m_pos != m_text.size())
            Fail("text after the value");
        return value;
    }

  private:
    [[noreturn]] void Fail(const std::string &what) const {
        throw std::runtime_error("JSON: " + what + " at byte " +
                                 std::to_string(m_pos));
    }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char Peek() const { return AtEnd() ? '\0' : m_text[m_pos]; }
    void Expect(char c) {
        if (Peek() != c)
            Fail(std::string("expected '") + c + "'");
        ++m_pos;
    }
    void SkipSpace() {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' ||
                            Peek() == '\r'))
            ++m_pos;
    }
    void Literal(std::string_view word) {
        if (m_text.substr(m_pos, word.size()) != word)
            Fail("bad literal");
        m_pos += word.size();
    }

    JsonValue Value() {
        JsonValue v;
        switch (Peek()) {
        case '{':
            return Object();
        case '[':
            return Array();
        case '"':
            v.type = JsonValue::Type::String;
            v.text = String();
            return v;
        case 't':
            Literal("true");
            v.type = JsonValue::Type::Bool;
            v.boolean = true;
            return v;
        case 'f':
            Literal("false");
            v.type = JsonValue::Type::Bool;
            return v;
        case 'n':
            Literal("null");
            return v;
        default:
            return Number();
        }
    }

    JsonValue Object() {
        JsonValue v;
        v.type = JsonValue::Type::Object;
        Expect('{');
        SkipSpace();
        if (Peek() == '}') {
            ++m_pos;
            return v;
        }
        for (;;) {
            SkipSpace();
            std::string name = String();
            for (const auto &seen : v.names)
                if (seen == name)
                    Fail("repeated member \"" + name + "\"");
            SkipSpace();
            Expect(':');
            SkipSpace();
            v.names.push_back(std::move(name));
            v.values.push_back(Value());
            SkipSpace();
            if (Peek() == ',') {
                ++m_pos;
                continue;
            }
            Expect('}');
            return v;
        }
    }

    JsonValue Array() {
        JsonValue v;
        v.type = JsonValue::Type::Array;
        Expect('[');
        SkipSpace();
        if (Peek() == ']') {
            ++m_pos;
            return v;
        }
        for (;;) {
            SkipSpace();
            v.items.push_back(Value());
            SkipSpace();
            if (Peek() == ',') {
                ++m_pos;
                continue;
            }
            Expect(']');
            return v;
        }
    }

    // number = [ "-" ] int [ frac ] [ exp ]
    JsonValue Number() {
        const std::size_t start = m_pos;
        if (Peek() == '-')
            ++m_pos;
        if (Peek() == '0') {
            ++m_pos;
        } else if (Peek() >= '1' && Peek() <= '9') {
            while (Peek() >= '0' && Peek() <= '9')
                ++m_pos;
        } else {
            Fail("bad value");
        }
        if (Peek() == '.') {
            ++m_pos;
            if (!(Peek() >= '0' && Peek() <= '9'))
                Fail("digits expected after '.'");
            while (Peek() >= '0' && Peek() <= '9')
                ++m_pos;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++m_pos;
            if (Peek() == '+' || Peek() == '-')
                ++m_pos;
            if (!(Peek() >= '0' && Peek() <= '9'))
                Fail("digits expected in exponent");
            while (Peek() >= '0' && Peek() <= '9')
                ++m_pos;
        }
        JsonValue v;
        v.type = JsonValue::Type::Number;
        const auto r = std::from_chars(m_text.data() + start,
                                       m_text.data() + m_pos, v.number);
        if (r.ec != std::errc())
            Fail("number out of range");
        return v;
    }

    unsigned Hex4() {
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = Peek();
            ++m_pos;
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                Fail("bad \\u escape");
        }
        return value;
    }

    static void PutUtf8(std::string &out, std::uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string String() {
        Expect('"');
        std::string out;
        for (;;) {
            if (AtEnd())
                Fail("unterminated string");
            const auto c = static_cast<unsigned char>(m_text[m_pos]);
            if (c == '"') {
                ++m_pos;
                return out;
            }
            if (c < 0x20)
                Fail("control character in string");
            if (c == '\\') {
                ++m_pos;
                const char e = Peek();
                ++m_pos;
                switch (e) {
                case '"':
                    out += '"';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '/':
                    out += '/';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    std::uint32_t cp = Hex4();
                    if (cp >= 0xD800 && cp <= 0xDBFF) {
                        Expect('\\');
                        Expect('u');
                        const unsigned low = Hex4();
                        if (low < 0xDC00 || low > 0xDFFF)
                            Fail("lone surrogate");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                        Fail("lone surrogate");
                    }
                    PutUtf8(out, cp);
                    break;
                }
                default:
                    Fail("bad escape");
                }
                continue;
            }
            // Raw UTF-8: well-formed sequences only.
            std::size_t length = c < 0x80                 ? 1
                                 : c >= 0xC2 && c <= 0xDF ? 2
                                 : c >= 0xE0 && c <= 0xEF ? 3
                                 : c >= 0xF0 && c <= 0xF4 ? 4
                                                          : 0;
            if (length == 0 || m_pos + length > m_text.size())
                Fail("not UTF-8");
            std::uint32_t cp = length == 1 ? c : c & (0x7Fu >> length);
            for (std::size_t k = 1; k < length; ++k) {
                const auto b = static_cast<unsigned char>(m_text[m_pos + k]);
                if ((b & 0xC0) != 0x80)
                    Fail("not UTF-8");
                cp = (cp << 6) | (b & 0x3Fu);
            }
            static constexpr std::uint32_t MIN[] = {0, 0, 0x80, 0x800, 0x10000};
            if (cp < MIN[length] || cp > 0x10FFFF ||
                (cp >= 0xD800 && cp <= 0xDFFF))
                Fail("not UTF-8");
            out.append(m_text.substr(m_pos, length));
            m_pos += length;
        }
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace

const JsonValue &JsonValue::operator[](std::string_view name) const {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return values[i];
    throw std::runtime_error("JSON: no member \"" + std::string(name) + "\"");
}

JsonValue ParseJson(std::string_view text) { return Reader(text).Document(); }
