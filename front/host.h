// What the front end needs of the operating system: the process set-up, the user's decimal
// separator, the program's own name, code addresses for the error report, standard output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace host {

/// Prepares the process: a closed pipe on stdout must not kill it; stdout takes bytes as they are.
void start();

/// The user locale's decimal separator, one byte; "." when it gives none or a longer one.
char decimal_separator();

/// The program file's name as the system reports it, without its directory.
std::string module_name(const char* argv0);

/// A code address as an offset into the program image, as the error report prints it.
std::uint32_t code_address(std::uintptr_t address);

/// Writes the bytes to standard output as they are; failures are ignored.
void write_out(std::string_view bytes);

}  // namespace host
