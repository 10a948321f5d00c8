#pragma once
// Unbuffered access to the standard streams for the reader process's message loop: it takes
// whatever requests have arrived at once, and answers them with one write.

#include <cstddef>
#include <string_view>

namespace platform {

// Switches standard input and output to binary, so that the messages pass unchanged.
void UseBinaryStandardStreams();
// Reads what has arrived (waiting until something has); 0 at the end of the input or on error.
std::size_t ReadStandardInput(char* buffer, std::size_t size);
// Writes all of `data`; false when the reader of the output is gone.
bool WriteStandardOutput(std::string_view data);

}  // namespace platform
