// Starting another program that lives on without us.
#pragma once

#include <filesystem>

namespace shell {

// Starts executable when it names an existing regular file that we may execute: detached in a
// session of its own (it outlives us and never becomes our zombie), its own folder as working
// directory, standard input and output on /dev/null, our environment, no arguments. No shell
// is involved: the path is the program and its only argument. True when the program was
// started; false, with nothing started, otherwise (also when the kernel refuses to run it).
bool launchDetached(const std::filesystem::path& executable);

} // namespace shell
