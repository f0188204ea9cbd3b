// Whole-file reading and writing for the tests, byte for byte.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace nolvex::test {

/// The bytes of @p path; empty when it cannot be opened.
inline std::string ReadFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in),
            std::istreambuf_iterator<char>()};
}

/// Replaces @p path with exactly @p text.
inline void WriteFile(const std::filesystem::path &path,
                      const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace nolvex::test
