// Running PROJ's cs2cs and cct and GeographicLib's CartConvert from a test:
// the outside reference of the register's and the engine's new operations.
#pragma once

#include <string>
#include <vector>

/// The reference tools, found when the build was configured.
enum class Tool { Cs2cs, Cct, CartConvert };

/**
 * Runs @p tool with @p arguments (one shell word each, quoted here) on the
 * lines of @p input, and returns the numbers of each output line. A tool that
 * is missing, fails or answers with a different number of lines fails the
 * running test: the reference is required, never skipped.
 */
std::vector<std::vector<double>>
RunTool(Tool tool, const std::vector<std::string> &arguments,
        const std::vector<std::string> &input);

/// The words of @p command, split at blanks (a PROJ string's arguments).
std::vector<std::string> Words(const std::string &command);

/// A decimal text of @p value that reads back as the same double.
std::string Exact(double value);

/// Metres on the ground between two nearby positions (degrees).
double GroundDistance(double lat1, double lon1, double lat2, double lon2);
