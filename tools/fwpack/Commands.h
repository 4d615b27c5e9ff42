#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace fwpack {

// What `fwpack build` and `fwpack build-package` are asked to do.
struct BuildRequest {
    std::filesystem::path manifest;
    std::optional<std::filesystem::path> executable;  // none: the package alone
    std::filesystem::path output;
    std::optional<std::filesystem::path> depfile;     // Makefile-style list of the inputs read
};

// Runs the command line (without the program name) and returns the exit
// code (ExitCode.h). Results go to `out`, problems to `err`.
int run_fwpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Builds the output from the manifest: the executable's bytes (when given)
// followed by the package. The output appears complete or not at all.
int build_command(const BuildRequest& request, std::ostream& out, std::ostream& err);

// Prints the package at the end of `file`, entry by entry.
int list_command(const std::filesystem::path& file, std::ostream& out, std::ostream& err);

}  // namespace fwpack
