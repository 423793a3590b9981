#include "app/editor_app.h"

#include "editor/templates.h"
#include "editor/texts.h"

namespace tirv {
namespace {

constexpr int kTitleCapacity = 255;

struct StringResource {
  int id;
  std::u16string_view text;
};
constexpr StringResource kStringTable[] = {
    {kStringApplicationTitle, texts::kApplicationTitle},
};

constexpr ControlTemplate kAboutControls[] = {
    {kNoId, ControlKind::kIcon, u"", 11, 17, 20, 20, true, false, false, ids::kProgramIcon},
    {kNoId, ControlKind::kStatic, texts::kAboutVersion, 41, 10, 119, 8},
    {1, ControlKind::kDefaultButton, texts::kOkButton, 178, 7, 50, 14},
};
constexpr DialogTemplate kAboutTemplate{
    kAboutDialog, texts::kAboutCaption, 235, 55, u"MS Sans Serif", 8, kAboutControls};

}  // namespace

int LoadAppString(int id, char16_t* buffer, int capacity) {
  if (capacity <= 0) return 0;
  buffer[0] = u'\0';
  for (const StringResource& s : kStringTable) {
    if (s.id != id) continue;
    const std::size_t n = std::min(s.text.size(), static_cast<std::size_t>(capacity - 1));
    s.text.copy(buffer, n);
    buffer[n] = u'\0';
    return static_cast<int>(n);
  }
  return 0;
}

const DialogTemplate& AboutDialogTemplate() { return kAboutTemplate; }

bool AboutDialog::OnInitDialog(ControlOps& ops) {
  ops_ = &ops;
  return true;
}

bool EditorApp::StartApplication() {
  char16_t titleBuffer[kTitleCapacity] = {};
  LoadAppString(kStringApplicationTitle, titleBuffer, kTitleCapacity);
  const std::u16string_view title(titleBuffer);
  if (!title.empty() && framework_.TopLevelWindowExists(title)) {
    framework_.UnownedInformationBox(texts::kAlreadyStarted);
    framework_.EndProcess(1);
    return false;
  }
  EditorDialog editor(environment_);
  editor.SetShell(this);
  framework_.RunMainDialog(editor);
  return false;
}

void EditorApp::ShowAboutBox(ControlOps& ops) {
  AboutDialog about;
  ops.RunModalDialog(about);
}

}  // namespace tirv
