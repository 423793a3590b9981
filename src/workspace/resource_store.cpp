#include "workspace/resource_store.h"

namespace tirv {

ResourceStore::ResourceStore(std::u16string_view folder) {
  if (!folder.empty()) Open(folder);
}

int ResourceStore::Open(std::u16string_view folder, int lockWaitMs) {
  return workspace_.Open(folder, lockWaitMs);
}

ResourceList::Position ResourceStore::Adopt(ResourceFileReading&& reading) {
  return records_.Append(std::move(reading.record), reading.baseline);
}

ResourceList::Position ResourceStore::Adopt(const ResourceFileReading& reading) {
  return records_.Append(reading.record, reading.baseline);
}

ResourceList::Position ResourceStore::Append(const ResourceRecord& record,
                                             RecordBaseline baseline) {
  return records_.Append(record, std::move(baseline));
}

bool ResourceStore::IsChanged(ResourceList::ConstPosition record) const {
  return tirv::IsChanged(*record, records_.BaselineOf(record));
}

WriteResult ResourceStore::Write(ResourceList::Position record, bool replaceChangedFile) {
  return workspace_.Write(*record, records_.BaselineOf(record), replaceChangedFile);
}

SaveReport ResourceStore::SaveChanged(const ReplaceQuestion& replace) {
  SaveReport report;
  if (records_.Count() == 0) return report;
  bool anyKnownKind = false;
  for (auto position = records_.begin(); position != records_.end(); ++position) {
    anyKnownKind = anyKnownKind || IsPortKind(position->portKind);
    WriteResult result = Write(position, false);
    if (result.outcome == WriteOutcome::kConflict) {
      if (!replace(*position, result.vanished)) {
        report.keptOnDisk.push_back(position->name);
        continue;
      }
      result = Write(position, true);
    }
    if (result.outcome == WriteOutcome::kFailed) {
      report.failures.emplace_back(position->name, result.problem);
    }
  }
  report.status = report.failures.empty() && anyKnownKind ? 0 : kGeneralFailure;
  return report;
}

ResourceProblem ResourceStore::CreateFile(std::u16string_view resourceName,
                                          RecordBaseline* baseline) {
  return workspace_.Create(resourceName, baseline);
}

ResourceProblem ResourceStore::DeleteFile(std::u16string_view fileName) {
  return workspace_.Delete(fileName);
}

}  // namespace tirv
