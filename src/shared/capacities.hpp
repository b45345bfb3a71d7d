#pragma once
// Capacities and sentinels shared by every subsystem.
namespace kov {

inline constexpr int mxy = 5001;    // years of a series or chronology
inline constexpr int mxs = 8001;    // series in one data file
inline constexpr float xmiss = -9.99f;  // empty cell of the series matrix
inline constexpr float undef_stat = -99.0f;  // undefined statistic
inline constexpr char tabsep = '\t';
inline constexpr const char* vertag = "48d2_Win";

}  // namespace kov
