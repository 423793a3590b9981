// The words of the editor's boxes are the catalogue's, and the manual page quotes each one
// as the editor shows it: a word changed in one place alone is caught here.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "editor/texts.h"
#include "platform/text.h"

namespace tirv {
namespace {

// The manual page as a reader sees it: requests and quotes gone, escapes as characters,
// one line.
std::string ManualText() {
  std::ifstream in(TIRV_EDITOR_MANUAL);
  std::string text;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '.') {
      const std::size_t space = line.find(' ');
      line = space == std::string::npos ? "" : line.substr(space + 1);
    }
    text += line + ' ';
  }
  const std::pair<std::string, std::string> escapes[] = {
      {"\\-", "-"}, {"\\(aa", "\xC2\xB4"}, {"\\(dq", "\""}, {"\\e", "\\"}, {"\\&", ""}};
  for (const auto& [escape, character] : escapes) {
    for (std::size_t at = text.find(escape); at != std::string::npos;
         at = text.find(escape, at + character.size())) {
      text.replace(at, escape.size(), character);
    }
  }
  std::string plain;
  for (const char c : text) {
    if (c == '"') continue;  // the quotes that group a request's words
    if (c == ' ' && !plain.empty() && plain.back() == ' ') continue;
    plain += c;
  }
  return plain;
}

TEST(EditorTexts, TheManualPageQuotesEveryBoxTextAsTheEditorShowsIt) {
  const std::u16string_view boxes[] = {
      texts::kAlreadyStarted,
      texts::kNoIniFile,
      texts::kCannotConvert,
      texts::kFolderMissing,
      texts::kNoOpcFiles,
      texts::kWorkspaceError,
      texts::kInvalidFile,
      texts::kSwitchRefused,
      texts::kNotSaved,
      texts::kSaveFailed,
      texts::kChangedOnDisk,
      texts::kDeletedOnDisk,
      texts::kSelectToDelete,
      texts::kConfirmDelete,
      texts::kDeleteFailed,
      texts::kRefreshFailed,
      texts::kAddCollectFailed,
      texts::kEnterNewName,
      texts::kNoSpaces,
      texts::kEnterName,
      texts::kAlreadyExists,
      texts::kCreateFailed,
      texts::kAboutCaption,
      texts::kAboutVersion,
      texts::kForbiddenCharacters,
  };
  const std::string manual = ManualText();
  ASSERT_GT(manual.size(), 1000u) << "the manual page was not found";
  for (const std::u16string_view box : boxes) {
    // A value ("%s") and a line break stand between the parts the page quotes.
    std::string text = Utf16ToUtf8(box);
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (std::size_t at = 0; at <= text.size(); ++at) {
      if (at == text.size() || text[at] == '\n' || text.compare(at, 2, "%s") == 0) {
        std::string part = text.substr(begin, at - begin);
        part.erase(0, part.find_first_not_of(' '));
        part.erase(part.find_last_not_of(' ') + 1);
        if (!part.empty()) parts.push_back(part);
        begin = at + (at < text.size() && text[at] == '%' ? 2 : 1);
      }
    }
    for (std::string part : parts) {
      std::erase(part, '"');
      EXPECT_NE(manual.find(part), std::string::npos) << "not in the manual page: " << part;
    }
  }
}

}  // namespace
}  // namespace tirv
