#pragma once
// The two questions every installed program answers from a shell: --version
// and --help. Everything else on the command line is ignored, as always.

#include <optional>
#include <string>

namespace sonterra {

// The text to print for the first --version or --help among the arguments
// (argv[0] is the program's name), or nothing when neither is there and the
// program starts as usual.
std::optional<std::string> CommandLineAnswer(int argc, const char* const* argv);

} // namespace sonterra
