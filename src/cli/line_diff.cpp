#include "cli/line_diff.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "cli/record_output.h"

namespace tirv::cli {
namespace {

// Past this many cells the lines between the common start and end are shown as all
// removed and all added: a resource file changes in a few lines, and no diff of one is
// worth more memory than this.
constexpr std::size_t kMostCells = std::size_t{1} << 20;

using Lines = std::vector<std::u16string_view>;

Lines SplitLines(std::u16string_view text) {
  Lines lines;
  while (!text.empty()) {
    const std::size_t end = text.find(u'\n');
    std::u16string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::u16string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

enum class Step : char { kKeep = ' ', kRemove = '-', kAdd = '+' };

// The steps from `a` to `b` over their lines [from, aEnd) and [from, bEnd): a longest
// common subsequence, found by a table of the lengths of the common tails.
void MiddleSteps(const Lines& a, const Lines& b, std::size_t from, std::size_t aEnd,
                 std::size_t bEnd, std::vector<Step>& steps) {
  const std::size_t rows = aEnd - from;
  const std::size_t columns = bEnd - from;
  if (rows * columns > kMostCells) {
    steps.insert(steps.end(), rows, Step::kRemove);
    steps.insert(steps.end(), columns, Step::kAdd);
    return;
  }
  const std::size_t width = columns + 1;
  std::vector<std::uint32_t> tail((rows + 1) * width, 0);
  for (std::size_t i = rows; i-- > 0;) {
    for (std::size_t j = columns; j-- > 0;) {
      tail[i * width + j] = a[from + i] == b[from + j]
                                ? tail[(i + 1) * width + j + 1] + 1
                                : std::max(tail[(i + 1) * width + j], tail[i * width + j + 1]);
    }
  }
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < rows || j < columns) {
    if (i < rows && j < columns && a[from + i] == b[from + j]) {
      steps.push_back(Step::kKeep);
      ++i;
      ++j;
    } else if (j == columns || (i < rows && tail[(i + 1) * width + j] >= tail[i * width + j + 1])) {
      steps.push_back(Step::kRemove);
      ++i;
    } else {
      steps.push_back(Step::kAdd);
      ++j;
    }
  }
}

std::vector<Step> StepsBetween(const Lines& a, const Lines& b) {
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
    ++tail;
  }
  std::vector<Step> steps(head, Step::kKeep);
  MiddleSteps(a, b, head, a.size() - tail, b.size() - tail, steps);
  steps.insert(steps.end(), tail, Step::kKeep);
  return steps;
}

// "<start>,<count>" of a hunk's side, as unified diffs write it: the count left out when
// it is 1, and the line before the hunk named when the side has no line in it.
std::string Range(std::size_t linesBefore, std::size_t count) {
  if (count == 1) return std::to_string(linesBefore + 1);
  return std::to_string(count == 0 ? linesBefore : linesBefore + 1) + "," + std::to_string(count);
}

}  // namespace

std::string UnifiedDiff(std::u16string_view before, std::u16string_view after,
                        std::string_view beforeName, std::string_view afterName) {
  const Lines a = SplitLines(before);
  const Lines b = SplitLines(after);
  const std::vector<Step> steps = StepsBetween(a, b);
  if (std::all_of(steps.begin(), steps.end(), [](Step s) { return s == Step::kKeep; })) return {};

  std::string diff = "--- " + std::string(beforeName) + "\n+++ " + std::string(afterName) + "\n";
  // The lines of `a` and `b` before each step.
  std::vector<std::size_t> aAt(steps.size() + 1, 0);
  std::vector<std::size_t> bAt(steps.size() + 1, 0);
  for (std::size_t k = 0; k < steps.size(); ++k) {
    aAt[k + 1] = aAt[k] + (steps[k] != Step::kAdd);
    bAt[k + 1] = bAt[k] + (steps[k] != Step::kRemove);
  }
  std::size_t k = 0;
  while (k < steps.size()) {
    if (steps[k] == Step::kKeep) {
      ++k;
      continue;
    }
    // A hunk: from the context before this change to the context after the last change
    // that follows within twice the context.
    const std::size_t start = k > kDiffContext ? k - kDiffContext : 0;
    std::size_t end = k;
    for (std::size_t kept = 0; end < steps.size() && kept <= 2 * kDiffContext; ++end) {
      kept = steps[end] == Step::kKeep ? kept + 1 : 0;
      if (kept > 2 * kDiffContext) break;
    }
    while (end > k && steps[end - 1] == Step::kKeep) --end;
    end = std::min(steps.size(), end + kDiffContext);
    diff += "@@ -" + Range(aAt[start], aAt[end] - aAt[start]) + " +" +
            Range(bAt[start], bAt[end] - bAt[start]) + " @@\n";
    for (std::size_t s = start; s < end; ++s) {
      diff += static_cast<char>(steps[s]);
      diff += PrintableText(steps[s] == Step::kAdd ? b[bAt[s]] : a[aAt[s]]);
      diff += '\n';
    }
    k = end;
  }
  return diff;
}

}  // namespace tirv::cli
