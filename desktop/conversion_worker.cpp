#include "conversion_worker.h"

#include <QFile>
#include <algorithm>
#include <string_view>

#include "target_file.h"

namespace tabulox {

ConversionWorker::ConversionWorker(QObject* parent)
    : QObject(parent),
      convert_([this](const ConversionJob& job, OutputBlock& block) {
        return engine_.ConvertFile(QFile::encodeName(job.source).toStdString(), job.type, job.codePage, job.options,
                                   block);
      }),
      onThread_(std::make_unique<QObject>()) {
  thread_.setObjectName(QStringLiteral("conversion"));
  onThread_->moveToThread(&thread_);
  thread_.start();
}

ConversionWorker::~ConversionWorker() {
  thread_.quit();
  thread_.wait();
}

void ConversionWorker::setConverters(ConvertFunction xls, ConvertFunction xlsx) {
  throughEngine_ = false;
  convert_ = [xls = std::move(xls), xlsx = std::move(xlsx)](const ConversionJob& job, OutputBlock& block) {
    return (job.type == WorkbookType::kXls ? xls : xlsx)(job.source, block, job.codePage);
  };
}

void ConversionWorker::convert(const ConversionJob& job) {
  QMetaObject::invokeMethod(onThread_.get(), [this, job] { run(job); }, Qt::QueuedConnection);
}

void ConversionWorker::run(const ConversionJob& job) {
  ResultCode result = convert_(job, text_);
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
  const bool passwordRefused = throughEngine_ && result == kSourceEncrypted &&
                               engine_.LastEncryptionFailure() == EncryptionFailure::kPassword;
  emit converted(job.row, result, passwordRefused);
}

}  // namespace tabulox
