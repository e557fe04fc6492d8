#pragma once

// Timers of the main dialog: id and period in milliseconds.
namespace timers {

inline constexpr int TIMER_UI_POLL = 1;
inline constexpr int TIMER_UI_POLL_MS = 33;
inline constexpr int TIMER_DRAG_SCROLL = 2;
inline constexpr int TIMER_DRAG_SCROLL_MS = 75;
inline constexpr int TIMER_AUTO_SCAN = 3;
inline constexpr int TIMER_AUTO_SCAN_MS = 100;
inline constexpr int TIMER_SCOPE_VOLUME = 4;
inline constexpr int TIMER_SCOPE_VOLUME_MS = 55;
inline constexpr int TIMER_PROGRAMME_REFRESH = 6;
inline constexpr int TIMER_PROGRAMME_REFRESH_MS = 10000;
inline constexpr int TIMER_PROGRAMME_NEXT = 7; // one-shot, period set when announced

} // namespace timers
