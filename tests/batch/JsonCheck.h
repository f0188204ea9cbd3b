// A strict JSON reader for the tests (RFC 8259): it accepts exactly the
// grammar, UTF-8 text only, and gives a small tree to inspect.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct JsonValue {
    enum class Type {
        Null,
        Bool,
        Number,
        String,
        Array,
        Object
    } type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text; ///< a string's value, unescaped
    std::vector<JsonValue> items;
    /// Member names and values in document order; a repeated name is a
    /// parse error here.
    std::vector<std::string> names;
    std::vector<JsonValue> values;

    /// The member @p name. @throws std::runtime_error when missing.
    const JsonValue &operator[](std::string_view name) const;
};

/// Parses a whole JSON text (surrounding white space allowed).
/// @throws std::runtime_error with the byte offset of the fault.
JsonValue ParseJson(std::string_view text);
