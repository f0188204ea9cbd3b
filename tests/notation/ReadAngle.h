// A single angle field read with the readers' public parts, for the tests
// and the angle fuzzer.
#pragma once

#include "AngleText.h"
#include "TextParts.h"

#include <string>
#include <string_view>

/**
 * One latitude or longitude field read as the point readers read each of
 * theirs: ParseAngle, a letter that belongs to @p axis (N or S for a
 * latitude), and the range of CheckAngleRange.
 * @throws InputError.
 */
inline double ReadAngle(std::string_view field, AngleAxis axis) {
    const bool latitude = axis == AngleAxis::Latitude;
    const char *what = latitude ? "latitude" : "longitude";
    const AngleValue angle = ParseAngle(field, what);
    if (angle.hemisphere != 0 &&
        (angle.hemisphere == 'N' || angle.hemisphere == 'S') != latitude)
        throw InputError(QuoteInput(TrimBlanks(field)) + " is not a valid " +
                         what + ": " +
                         (latitude ? "E and W mark a longitude"
                                   : "N and S mark a latitude"));
    CheckAngleRange(angle.degrees, axis);
    return angle.degrees;
}
