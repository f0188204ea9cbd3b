// Conversions of one angle between decimal degrees (DD), degrees and decimal
// minutes (DM), degrees, minutes and decimal seconds (DMS) and radians, and the
// splitting of catalogue texts into name and code.
//
// Intermediates are held in long double (a 64-bit significand on x86-64) and
// only the outputs are rounded to double; the residual digits that can show in
// seconds (37.1 gives 5.11590769747272E-12 seconds) come from this. The sign of
// a DM or DMS angle is carried by its integer degrees; for a negative angle
// above -1 degree, whose degrees are 0, the sign moves to the minutes and
// seconds (each non-zero part carries it), so DmToDd and DmsToDd give back the
// same negative value. Integer outputs whose value lies beyond the 32-bit range
// saturate at its ends (NaN gives 0); no range is checked otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Code {

/// radians -> decimal degrees: (radians * 180) * (1/pi).
void RadianToDegree(double radians, double &degrees);

/// decimal degrees -> radians: (degrees * pi) * (1/180).
void DegreeToRadian(double degrees, double &radians);

/// DD -> DM. Minutes are a magnitude except for an angle above -1 degree.
void DdToDm(double dd, std::int32_t &degrees, double &minutes);

/// DD -> DMS, without rounding or carry: seconds are whatever remains.
void DdToDms(double dd, std::int32_t &degrees, std::int32_t &minutes,
             double &seconds);

/// DM -> DD; minutes are added to the magnitude of the degrees.
void DmToDd(std::int32_t degrees, double minutes, double &dd);

/// DM -> DMS; the degrees pass through unchanged.
void DmToDms(std::int32_t degrees, double minutes, std::int32_t &degreesOut,
             std::int32_t &minutesOut, double &seconds);

/// DMS -> DD; minutes and seconds are added to the magnitude of the degrees.
void DmsToDd(std::int32_t degrees, std::int32_t minutes, double seconds,
             double &dd);

/// DMS -> DM; the degrees pass through unchanged.
void DmsToDm(std::int32_t degrees, std::int32_t minutes, double seconds,
             std::int32_t &degreesOut, double &minutesOut);

/**
 * Splits a catalogue text "name(code)" at its last "(" before the final ")".
 * @param[in] text the catalogue text, for example "Adindan(ADI-M)".
 * @param[out] name the text before that "(" ("Adindan"), or the whole text.
 * @param[out] code the text between it and the final ")" ("ADI-M"), or empty.
 * @return 1 when a code was found, 0 when the text does not end with ")".
 */
int SplitNameAndCode(std::string_view text, std::string &name,
                     std::string &code);

} // namespace Code
