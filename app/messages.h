#pragma once

// Private window messages between the engine and the main window. "Sent" ones block the
// sender until the GUI thread has handled them; "posted" ones are queued.
namespace msg {

inline constexpr int WM_APP = 0x8000;
inline constexpr int WM_APP_PLAY_URL_FIELD = WM_APP + 1; // posted
inline constexpr int WM_APP_TRANSFER_END = WM_APP + 2;   // sent by the transfer worker
inline constexpr int WM_APP_REFILL_LIST = WM_APP + 3;    // sent by list operations
inline constexpr int WM_APP_BIT_RATE = WM_APP + 4;       // sent by the player bridge
inline constexpr int WM_APP_SAVE_LIST = WM_APP + 5;      // sent by the modified-list question
inline constexpr int WM_APP_TIMED_NOTICE = WM_APP + 6;
inline constexpr int WM_APP_PLAYER_NOTICE = WM_APP + 7; // posted at the end of initialisation
inline constexpr int WM_APP_SCOPE_RUN = WM_APP + 8;     // sent by the scope capture

} // namespace msg
