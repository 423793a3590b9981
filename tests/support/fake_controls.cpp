#include "support/fake_controls.h"

#include <gtest/gtest.h>

#include "dialog/routing.h"
#include "editor/texts.h"
#include "platform/text.h"

namespace tirv::testing {

FakeControls::FakeControls(const DialogTemplate& dialogTemplate,
                           std::shared_ptr<FakeSession> session)
    : template_(dialogTemplate),
      session_(session != nullptr ? std::move(session) : std::make_shared<FakeSession>()) {
  for (const ControlTemplate& c : dialogTemplate.controls) {
    if (c.id == kNoId) continue;
    Control control{c.kind, c.enabled, false, std::u16string(c.text), nullptr};
    if (c.IsCombo()) {
      control.combo = std::make_unique<ComboModel>(c.sorted, c.kind == ControlKind::kDropDownEdit);
    }
    controls_.emplace(c.id, std::move(control));
  }
}

FakeControls::Control& FakeControls::At(int id) {
  auto it = controls_.find(id);
  if (it == controls_.end()) {
    ADD_FAILURE() << "dialog " << template_.id << " has no control " << id;
    static Control missing{ControlKind::kStatic, false, false, {}, nullptr};
    return missing;
  }
  return it->second;
}

bool FakeControls::Initialise(DialogLogic& logic) {
  logic_ = &logic;
  return logic.OnInitDialog(*this);
}

bool FakeControls::IsEnabled(int id) const { return controls_.at(id).enabled; }
bool FakeControls::IsChecked(int id) const { return controls_.at(id).checked; }

int FakeControls::CheckedRadio() const {
  int found = 0;
  for (const auto& [id, c] : controls_) {
    if (c.kind == ControlKind::kRadioButton && c.checked) {
      EXPECT_EQ(found, 0) << "two radio buttons checked";
      found = id;
    }
  }
  return found;
}

ComboModel& FakeControls::Combo(int id) {
  Control& c = At(id);
  if (c.combo == nullptr) {
    ADD_FAILURE() << "control " << id << " is not a combo box";
    static ComboModel none(false, false);
    return none;
  }
  return *c.combo;
}

std::vector<std::u16string> FakeControls::Entries(int id) { return Combo(id).entries(); }

std::vector<std::u16string> FakeControls::BoxTexts() const {
  std::vector<std::u16string> texts;
  for (const RecordedBox& box : session_->boxes) texts.push_back(box.text);
  return texts;
}

void FakeControls::Pick(int comboId, int index) {
  Control& c = At(comboId);
  if (!c.enabled || c.combo == nullptr) return;
  c.combo->SetCurrentIndex(index);
  logic_->OnSelectionChange(comboId);
}

void FakeControls::PickText(int comboId, std::u16string_view text) {
  const auto& entries = Combo(comboId).entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == text) return Pick(comboId, static_cast<int>(i));
  }
  ADD_FAILURE() << "combo " << comboId << " has no entry " << Utf16ToUtf8(text);
}

void FakeControls::Type(int id, std::u16string_view text) {
  Control& c = At(id);
  if (!c.enabled) return;
  if (c.combo != nullptr) {
    c.combo->SetText(text);
  } else {
    c.text = text;
  }
}

void FakeControls::Click(int id) {
  Control& c = At(id);
  if (!c.enabled) return;
  if (c.kind == ControlKind::kRadioButton) {
    for (auto& [otherId, other] : controls_) {
      if (other.kind == ControlKind::kRadioButton) other.checked = otherId == id;
    }
  }
  RouteCommand(*logic_, id);
}

void FakeControls::PressEnter() { logic_->OnOk(); }
void FakeControls::PressEscape() { logic_->OnCancel(); }
void FakeControls::PressF1() { logic_->OnHelp(); }
void FakeControls::ClickCloseBox() { RouteSystemCommand(*logic_, kSysCommandClose); }

void FakeControls::ChooseCommand(int id) {
  EXPECT_EQ(template_.Find(id), nullptr) << "control " << id << " is clicked, not chosen";
  RouteCommand(*logic_, id);
}

void FakeControls::ChooseSystemCommand(std::uintptr_t command) {
  RouteSystemCommand(*logic_, command);
}

void FakeControls::EnableControl(int id, bool enabled) { At(id).enabled = enabled; }

void FakeControls::CheckRadioButton(int first, int last, int id) {
  for (int i = first; i <= last; ++i) At(i).checked = i == id;
}

std::u16string FakeControls::GetText(int id) {
  Control& c = At(id);
  return c.combo != nullptr ? c.combo->Text() : c.text;
}

void FakeControls::SetText(int id, std::u16string_view text) {
  Control& c = At(id);
  if (c.combo != nullptr) {
    c.combo->SetText(text);
  } else {
    c.text = text;
  }
}

void FakeControls::ComboReset(int id) { Combo(id).Reset(); }
int FakeControls::ComboAdd(int id, std::u16string_view text) { return Combo(id).Add(text); }
void FakeControls::ComboFill(int id, std::vector<std::u16string> texts) {
  Combo(id).Fill(std::move(texts));
}
int FakeControls::ComboCount(int id) { return Combo(id).Count(); }
int FakeControls::ComboCurrentIndex(int id) { return Combo(id).CurrentIndex(); }
void FakeControls::ComboSetCurrentIndex(int id, int index) { Combo(id).SetCurrentIndex(index); }
std::u16string FakeControls::ComboEntryText(int id, int index) {
  return Combo(id).EntryText(index);
}
int FakeControls::ComboFindPrefix(int id, int start, std::u16string_view text) {
  return Combo(id).FindPrefix(start, text);
}
int FakeControls::ComboSelectPrefix(int id, int start, std::u16string_view text) {
  return Combo(id).SelectPrefix(start, text);
}

void FakeControls::InformationBox(std::u16string_view text) {
  session_->boxes.push_back(
      RecordedBox{BoxKind::kOwned, std::u16string(text), std::u16string(texts::kApplicationTitle),
                  static_cast<int>(tirv::BoxKind::kInformation), template_.id});
}

bool FakeControls::QuestionBox(std::u16string_view text) {
  session_->boxes.push_back(RecordedBox{BoxKind::kOwned, std::u16string(text),
                                        std::u16string(texts::kApplicationTitle),
                                        static_cast<int>(tirv::BoxKind::kQuestion), template_.id});
  if (session_->answers.empty()) return false;  // unscripted: No
  const int answer = session_->answers.front();
  session_->answers.pop_front();
  return answer == kAnswerYes;
}

void FakeControls::ApplicationMessageBox(std::u16string_view text) {
  session_->boxes.push_back(RecordedBox{BoxKind::kApplication, std::u16string(text),
                                        std::u16string(texts::kApplicationTitle), 0, template_.id});
}

int FakeControls::RunModalDialog(DialogLogic& dialog) {
  session_->modalRuns.push_back(dialog.Template().id);
  FakeControls child(dialog.Template(), session_);
  child.Initialise(dialog);
  if (session_->modalScripts.empty()) {
    ADD_FAILURE() << "dialog " << dialog.Template().id << " ran without a script";
    return kEndCancel;
  }
  ModalScript script = std::move(session_->modalScripts.front());
  session_->modalScripts.pop_front();
  script(child);
  if (!child.ended()) {
    ADD_FAILURE() << "the script left dialog " << dialog.Template().id << " open";
    return kEndCancel;
  }
  return child.endCode();
}

void FakeControls::EndDialog(int code) {
  ended_ = true;
  endCode_ = code;
}

void FakeControls::SetUpWindow(int iconId) {
  windowIcon = iconId;
  ++setUpCount;
}

}  // namespace tirv::testing
