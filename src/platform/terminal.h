// Whether a standard stream of the process is a terminal, for tools that show progress only to
// someone watching.
#pragma once

namespace veltra::platform {

// The three streams every process starts with.
enum class StandardStream { input, output, error };

// Tells whether `stream` is connected to a terminal; false for files, pipes and closed streams.
bool isTerminal(StandardStream stream);

}  // namespace veltra::platform
