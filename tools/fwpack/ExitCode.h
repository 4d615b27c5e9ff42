#pragma once

namespace fwpack {

// Exit codes of the fwpack command.
enum ExitCode : int {
    FWPACK_EXIT_OK = 0,
    FWPACK_EXIT_NO_PACKAGE = 1,  // list: the file carries no package
    FWPACK_EXIT_DAMAGED = 2,     // list: the package is damaged
    FWPACK_EXIT_FAILURE = 3,     // bad command line, unreadable input, manifest error, write failure
};

}  // namespace fwpack
