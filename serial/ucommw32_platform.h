// What each platform's file behind ucommw32 provides: the port itself, as plain procedures
// over a handle kept in that file. The session's loops and limits live in ucommw32.cpp and
// are the same on every platform.
#pragma once

#include <cstdint>
#include <string>

namespace ucommw32::platform {

/// Opens and configures the port; on any failure the port stays closed, silently.
void open(const std::string& name, const std::string& settings, std::uint16_t timeout_ms);

/// Releases the port, if open.
void close();

/// Bytes in the receive queue; also clears the line's error state. 0 when closed or gone.
std::uint32_t queued();

/// Reads one byte if one can be had at once; false otherwise.
bool read_byte(char& c);

/// Writes the bytes, waiting at most timeout_ms for the line to take them.
void write(const std::string& bytes, std::uint16_t timeout_ms);

/// Returns when a byte may be waiting, or after `ms` milliseconds; never spins, even when the
/// port is closed or its other end has gone.
void wait_readable(std::uint32_t ms);

/// Monotonic millisecond counter, wrapping at 2^32.
std::uint32_t ticks();

}  // namespace ucommw32::platform
