#pragma once
// Splitting an angle in decimal degrees into degrees, minutes and seconds, and
// the position texts built from it ("N 03°00'00.000", "E 012°30'00.000").

#include <QString>

struct AngleParts {
    int degrees = 0;
    int minutes = 0;
    double seconds = 0.0;
};

// The parts of a non-negative angle. With decimal seconds they are rounded to
// three decimals, otherwise cut to whole seconds. Seconds that round up to a
// full minute carry into the minutes, and a full hour of minutes into the
// degrees, so 59.9999999 gives 60°00'00.000, never 59°60'00.000.
[[nodiscard]] AngleParts SplitAngle(double magnitude, bool decimalSeconds = true);

// Hemisphere letter (N/S for a latitude, E/W for a longitude), a blank, the
// degrees with two (latitude) or three (longitude) digits, the degree sign,
// two-digit minutes, an apostrophe and the seconds as "%06.3f".
[[nodiscard]] QString AngleText(double angle, bool latitude);
