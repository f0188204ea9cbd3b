// Running the reference tools through the shell, one call per batch of points.
#include "ProjTools.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace {

const char *Path(Tool tool) {
    switch (tool) {
    case Tool::Cs2cs:
        return NOLVEX_CS2CS;
    case Tool::Cct:
        return NOLVEX_CCT;
    case Tool::CartConvert:
        return NOLVEX_CARTCONVERT;
    }
    return "";
}

std::string Quoted(const std::string &word) {
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::vector<double> Numbers(const std::string &line) {
    std::vector<double> numbers;
    std::istringstream in(line);
    std::string word;
    while (in >> word) {
        double value = 0;
        const auto [end, ec] =
            std::from_chars(word.data(), word.data() + word.size(), value);
        if (ec == std::errc() && end == word.data() + word.size())
            numbers.push_back(value);
    }
    return numbers;
}

} // namespace

std::vector<std::vector<double>>
RunTool(Tool tool, const std::vector<std::string> &arguments,
        const std::vector<std::string> &input) {
    const std::string path = Path(tool);
    if (path.empty() || path.find("NOTFOUND") != std::string::npos ||
        access(path.c_str(), X_OK) != 0) {
        ADD_FAILURE()
            << "reference tool '" << path
            << "' not found: install proj-bin and geographiclib-tools "
               "(scripts/install-deps.sh) and configure again";
        return {};
    }
    std::string inputPath =
        (std::filesystem::temp_directory_path() / "nolvex-ref-XXXXXX").string();
    const int fd = mkstemp(inputPath.data());
    if (fd < 0) {
        ADD_FAILURE() << "cannot create a temporary file";
        return {};
    }
    {
        std::ofstream file(inputPath);
        for (const std::string &line : input)
            file << line << '\n';
    }
    close(fd);

    std::string command = Quoted(path);
    for (const std::string &argument : arguments)
        command += " " + Quoted(argument);
    command += " < " + Quoted(inputPath) + " 2>&1";
    std::vector<std::vector<double>> rows;
    std::string output;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        const int status = pclose(pipe);
        EXPECT_EQ(status, 0) << command << "\n" << output;
    } else {
        ADD_FAILURE() << "cannot run " << command;
    }
    std::remove(inputPath.c_str());

    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line))
        rows.push_back(Numbers(line));
    EXPECT_EQ(rows.size(), input.size()) << command << "\n" << output;
    rows.resize(input.size());
    return rows;
}

std::vector<std::string> Words(const std::string &command) {
    std::istringstream in(command);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

std::string Exact(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    // The tools would read an exponent's "e" as a hemisphere: plain decimals.
    if (text.find('e') != std::string::npos) {
        const auto fixed = std::to_chars(buffer, buffer + sizeof buffer, value,
                                         std::chars_format::fixed, 20);
        text.assign(buffer, fixed.ptr);
    }
    return text;
}

double GroundDistance(double lat1, double lon1, double lat2, double lon2) {
    constexpr double R = 6378137.0;
    constexpr double RAD = 3.141592653589793 / 180.0;
    const double north = (lat1 - lat2) * RAD * R;
    const double east = (lon1 - lon2) * RAD * R * std::cos(lat2 * RAD);
    return std::hypot(north, east);
}
