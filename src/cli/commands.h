// Subcommands of binodal-cli. Each takes the arguments after its name and
// returns the process exit status: 0 success, 1 failure, 2 misuse.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace binodal::cli {

using Args = std::span<const std::string_view>;

int RunEval(Args args, std::ostream& out, std::ostream& err);

}  // namespace binodal::cli
