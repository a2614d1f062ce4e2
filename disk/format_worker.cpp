#include "disk/format_worker.h"

#include "disk/format_service.h"

namespace orvia {

CFormatWorker::CFormatWorker(format::FormatRequest request, format::FormatTools tools,
                             format::SystemPaths system)
    : request_(std::move(request)), tools_(std::move(tools)), system_(std::move(system)) {}

void CFormatWorker::Run() {
  const format::FormatResult result = RunCardFormat(
      request_,
      [this](int percent, format::FormatPhase phase) {
        emit progressChanged(percent, static_cast<int>(phase));
      },
      tools_, system_);
  emit finished(result);
}

}  // namespace orvia
