#pragma once

#include <atomic>
#include <cstdint>

// The program-wide status block shared by the GUI thread and the workers. Each field has
// one writer (named in the engine that writes it); atomics make the cross-thread reads
// well defined without adding locks.
struct PlaybackStatus {
    std::atomic<std::uint32_t> language{1033};
    std::atomic<std::int32_t> useFfplay{0};
    std::atomic<std::int32_t> useVlc{0};
    std::atomic<std::int32_t> transferThreadRunning{0};
    std::atomic<std::int32_t> transferInProgress{0};
    std::atomic<std::int32_t> playing{0};
    std::atomic<std::int32_t> recording{0};
    std::atomic<std::int32_t> autoScanRunning{0};
    std::atomic<std::int32_t> currentStationIndex{-1};
    std::atomic<std::int32_t> streamConnected{0};
    std::atomic<std::int32_t> icyHeadersSeen{0};
    std::atomic<std::int32_t> autoScanStepDone{0};
    std::atomic<std::int32_t> scopeRunning{0};
    std::atomic<std::int32_t> writeHandlerBusy{0};
};
