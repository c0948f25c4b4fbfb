#include "conversion_worker.h"

#include <algorithm>
#include <string_view>

#include "target_file.h"

namespace tabulox {

ConversionWorker::ConversionWorker(QObject* parent)
    : QObject(parent),
      convertXls_(EngineConverter(engine_, WorkbookType::kXls)),
      convertXlsx_(EngineConverter(engine_, WorkbookType::kXlsx)),
      onThread_(std::make_unique<QObject>()) {
  thread_.setObjectName(QStringLiteral("conversion"));
  onThread_->moveToThread(&thread_);
  thread_.start();
}

ConversionWorker::~ConversionWorker() {
  thread_.quit();
  thread_.wait();
}

void ConversionWorker::SetConverters(ConvertFunction xls, ConvertFunction xlsx) {
  convertXls_ = std::move(xls);
  convertXlsx_ = std::move(xlsx);
}

void ConversionWorker::Convert(const ConversionJob& job) {
  QMetaObject::invokeMethod(onThread_.get(), [this, job] { Run(job); }, Qt::QueuedConnection);
}

void ConversionWorker::Run(const ConversionJob& job) {
  const ConvertFunction& convert = job.type == WorkbookType::kXlsx ? convertXlsx_ : convertXls_;
  ResultCode result = convert(job.source, text_, job.codePage);
  if (result >= 0) {
    const std::string_view bytes(reinterpret_cast<const char*>(text_.data()),
                                 std::min(static_cast<std::size_t>(result), text_.size()));
    switch (WriteTargetFile(job.target, bytes, job.replaceTarget)) {
      // A target that appeared meanwhile, when it is not to be replaced,
      // cannot be created either.
      case AtomicWriteResult::kExists:
      case AtomicWriteResult::kCreateFailed: result = kDestinationCreateFailed; break;
      case AtomicWriteResult::kWriteFailed: result = kDestinationWriteFailed; break;
      case AtomicWriteResult::kOk: break;
    }
  }
  emit Converted(job.row, result);
}

}  // namespace tabulox
