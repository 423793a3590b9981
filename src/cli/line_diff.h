// The lines of a file before and after a change, as a unified diff for people to read.
// Pure: the caller hands in both texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tirv::cli {

/// The lines around each change that a hunk shows.
inline constexpr std::size_t kDiffContext = 3;

/// A unified diff of `before` and `after` (texts split at line feeds, a carriage return
/// before one left out): "--- <beforeName>" and "+++ <afterName>", then each hunk as
/// "@@ -<line>,<count> +<line>,<count> @@" and its lines, " " for a kept line, "-" for a
/// removed and "+" for an added one, with kDiffContext kept lines around each change.
/// Lines leave in UTF-8 as PrintableText makes them. Empty when the lines are the same.
std::string UnifiedDiff(std::u16string_view before, std::u16string_view after,
                        std::string_view beforeName, std::string_view afterName);

}  // namespace tirv::cli
