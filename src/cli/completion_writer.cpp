// Writes the bash completion of tirvane-resources from its template, with the keys of the
// key table and their fixed values, so that the completion offers exactly what the
// program takes. The build runs it; it is not installed.
//
//   tirv_completion_writer TEMPLATE OUTPUT
//
// @TIRV_KEY_WORDS@ becomes "port=\nbaud=\n..." (inside $'...'), and the line
// @TIRV_KEY_VALUES@ one case arm per key with fixed values, each value as typed: the
// alias where a choice has one ("little"), since a choice with a space would be split.

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "cli/settings.h"
#include "platform/text.h"

namespace {

constexpr std::string_view kKeyWords = "@TIRV_KEY_WORDS@";
constexpr std::string_view kKeyValues = "@TIRV_KEY_VALUES@";

// `word` as it stands inside bash's $'...'.
std::string Escaped(std::string_view word) {
  std::string escaped;
  for (char c : word) {
    if (c == '\\' || c == '\'') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

std::string KeyWords() {
  std::string words;
  for (tirv::cli::SettingKey key : tirv::cli::SettingKeys()) {
    if (!words.empty()) words += "\\n";
    words += Escaped(tirv::cli::KeyName(key)) + "=";
  }
  return words;
}

std::string KeyValueArms() {
  std::string arms;
  for (tirv::cli::SettingKey key : tirv::cli::SettingKeys()) {
    const tirv::cli::KeyFacts facts = tirv::cli::FactsOf(key);
    if (facts.choices.empty()) continue;
    std::string values;
    for (std::size_t i = 0; i < facts.choices.size(); ++i) {
      if (i > 0) values += "\\n";
      values +=
          Escaped(tirv::Utf16ToUtf8(facts.aliases.empty() ? facts.choices[i] : facts.aliases[i]));
    }
    if (!arms.empty()) arms += '\n';
    arms += "        " + std::string(facts.name) + ") values=$'" + values + "' ;;";
  }
  return arms;
}

bool Replace(std::string& text, std::string_view placeholder, const std::string& by) {
  const std::size_t at = text.find(placeholder);
  if (at == std::string::npos) return false;
  text.replace(at, placeholder.size(), by);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: tirv_completion_writer TEMPLATE OUTPUT\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.is_open() || in.bad()) {
    std::fprintf(stderr, "tirv_completion_writer: %s cannot be read\n", argv[1]);
    return 1;
  }
  if (!Replace(text, kKeyWords, KeyWords()) || !Replace(text, kKeyValues, KeyValueArms())) {
    std::fprintf(stderr, "tirv_completion_writer: %s lacks %s or %s\n", argv[1], kKeyWords.data(),
                 kKeyValues.data());
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    std::fprintf(stderr, "tirv_completion_writer: %s cannot be written\n", argv[2]);
    return 1;
  }
  return 0;
}
