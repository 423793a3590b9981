#include "resource_record.h"

namespace tirv {

ResourceList::Position ResourceList::FindByName(std::u16string_view name) {
  for (auto it = records_.begin(); it != records_.end(); ++it) {
    if (it->name == name) return it;
  }
  return records_.end();
}

}  // namespace tirv
