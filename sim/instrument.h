// The simulated spectrophotometer without its serial port: the wavelength it is set to, the
// sample in its cell, and the reply it gives to each request line. jenway-sim feeds it the
// lines it assembles from the pty; the unit test drives it directly.
#pragma once

#include <string>

namespace instrument {

enum class Sample { dye, blank };

/// Reads a sample name, "dye" or "blank"; false when it names neither.
bool parse_sample(const std::string& name, Sample& sample);

/// Reads a signed decimal integer and takes it only inside the 320..1000 nm range.
bool parse_wavelength(const std::string& text, int& nm);

/// Puts the instrument in its power-on state: this sample, set to this wavelength.
void reset(Sample sample, int nm);

/// The wavelength the instrument is set to, in nm.
int wavelength();

/// The sample's absorbance at a wavelength, unrounded.
double absorbance(Sample sample, double nm);

/// Handles one request line (its CR removed); the reply bytes, or empty when none is due.
std::string respond(const std::string& line);

/// Decodes the escapes \r \n \t \\ \0 \xHH in text; false when one is malformed.
bool decode_escapes(const std::string& text, std::string& bytes);

}  // namespace instrument
