// Integer arithmetic for values a player can type or a file can hold: results
// saturate instead of overflowing, and coordinates stay where GDI accepts them.
#pragma once

#include <climits>
#include <cstdint>

// Largest distance from the origin that any position of the game may take;
// well inside the 27-bit coordinate space GDI draws in.
const int coordinateLimit = 100000000;

inline int ClampToInt(int64_t value)
{
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

inline int ClampCoordinate(int64_t value)
{
    if (value > coordinateLimit) return coordinateLimit;
    if (value < -coordinateLimit) return -coordinateLimit;
    return static_cast<int>(value);
}

// The same for a double, converted by dropping the fraction.
inline int TruncCoordinate(double value)
{
    if (!(value < coordinateLimit)) return coordinateLimit;   // also NaN
    if (value < -coordinateLimit) return -coordinateLimit;
    return static_cast<int>(value);
}

inline int SaturatingAdd(int a, int b)
{
    return ClampToInt(static_cast<int64_t>(a) + b);
}

inline int SaturatingNegate(int value)
{
    return value == INT_MIN ? INT_MAX : -value;
}
