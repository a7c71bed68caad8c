// The serial session: the settings of one port and the operations the driver functions use
// to talk to the instrument.
//
// How it works: each driver function that needs the instrument opens the port, exchanges one
// request and at most one reply line, and closes it again; nothing is kept between two calls.
// Every failure of the platform is quiet: a port that cannot be opened reads as a silent
// instrument (no bytes, the time limit runs out) and swallows what is written to it.
// One time limit, `port_timeout_ms`, bounds each read and write; a line must be complete
// within one limit counted from its start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ucommw32 {

/// Texts keep at most this many bytes; an append past it is dropped.
constexpr std::size_t max_text = 255;

/// Time limit of reads, writes and the polling loops, in milliseconds.
constexpr std::uint16_t port_timeout_ms = 1000;

/// Sets the device name handed to the platform at open (at most 83 bytes are kept).
void set_port_name(const std::string& name);

/// Sets the line settings text ("baud=1200 parity=o data=7 stop=1 ", read up to a zero byte).
void set_port_settings(const std::string& settings);

/// Opens and configures the named port; a failure leaves the port closed, silently.
void port_open();

/// Closes the port if it is open.
void port_close();

/// Bytes waiting in the receive queue (low 16 bits); 0 when the port is not open.
std::uint16_t rx_count();

/// Waits up to port_timeout_ms for one byte and returns it; 0 when none came.
char read_char();

/// Collects bytes up to a carriage return within port_timeout_ms; the text before it, or
/// empty when no carriage return came in time.
std::string read_line();

/// Writes the text (at most 255 bytes) in one write; failures go unnoticed.
void send_text(const std::string& text);

/// The millisecond tick counter the loops measure time with (monotonic, wraps at 2^32).
std::uint32_t tick_count();

}  // namespace ucommw32
