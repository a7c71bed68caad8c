// The binary inputs and outputs, which the instrument lacks, and the driver's identity texts.
// None of these touches the port.
#pragma once

#include <cstdint>
#include <string_view>

namespace driver {

/// -777 for every channel.
std::int32_t eb(std::int32_t channel);

/// Empty for every channel.
std::string_view neb(std::int32_t channel);

/// -777 for every channel and value.
std::int32_t sb(std::int32_t channel, std::int32_t value);

/// Empty for every channel.
std::string_view nsb(std::int32_t channel);

/// -777 for every channel.
std::int32_t rsb(std::int32_t channel);

/// The driver's title, naming its port.
std::string_view titre();

/// The driver's description (Windows-1252).
std::string_view detail();

}  // namespace driver
