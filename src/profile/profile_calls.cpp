#include "profile/profile_calls.h"

#include "profile/profile_document.h"

namespace tirv {

std::int32_t ReadProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view defaultValue, char16_t* buffer,
                               std::int32_t capacity, std::u16string_view file) {
  ProfileDocument document;
  if (Failed(document.Load(file))) {
    if (capacity > 0) buffer[0] = u'\0';  // callers read the buffer as text whatever happens
    return 0;
  }
  return document.GetValue(section, key, defaultValue, buffer, capacity);
}

std::int32_t WriteProfileString(std::u16string_view section, std::u16string_view key,
                                std::u16string_view value, std::u16string_view file) {
  ProfileDocument document;
  if (Failed(document.Load(file))) return 0;
  if (Succeeded(document.SetValue(section, key, value)) && Succeeded(document.Save())) return 1;
  document.Discard();  // a second attempt at destruction could succeed behind a reported 0
  return 0;
}

std::int32_t ReadProfileSection(std::u16string_view section, char16_t* buffer,
                                std::int32_t capacity, std::u16string_view file) {
  ProfileDocument document;
  if (Failed(document.Load(file))) return 0;
  return document.ListSection(section, buffer, capacity);
}

}  // namespace tirv
