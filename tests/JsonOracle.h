// The oracle of the GeoJSON writer: a JSON library of its own (nlohmann's),
// independent of anything the product reads or writes. Strict: RFC 8259's
// grammar, UTF-8 text only, and a name repeated in one object refused (a
// reader would keep one of the two values).
#pragma once

#include <nlohmann/json.hpp>

#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

/// Parses a whole JSON text (white space around it allowed).
/// @throws nlohmann::json::parse_error, std::runtime_error for a repeated
///   name.
inline nlohmann::json ParseJson(std::string_view text) {
    std::vector<std::set<std::string>> names; // of each open object
    const auto check = [&names](int, nlohmann::json::parse_event_t event,
                                nlohmann::json &parsed) {
        using Event = nlohmann::json::parse_event_t;
        if (event == Event::object_start)
            names.emplace_back();
        else if (event == Event::object_end)
            names.pop_back();
        else if (event == Event::key &&
                 !names.back().insert(parsed.get<std::string>()).second)
            throw std::runtime_error("the name " + parsed.dump() +
                                     " is repeated in an object");
        return true;
    };
    return nlohmann::json::parse(text.begin(), text.end(), check);
}
