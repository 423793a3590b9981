#include "system_log.h"

namespace tirv {

void LogFileChange(std::string_view, std::string_view) {}

}  // namespace tirv
