#include "desktop/conversion_worker.h"

#include <QFile>
#include <algorithm>
#include <string_view>

#include "desktop/target_file.h"

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

void ConversionWorker::listSheets(const ConversionJob& job) {
  QMetaObject::invokeMethod(
      onThread_.get(),
      [this, job] {
        std::vector<SheetInfo> sheets;
        const ResultCode result =
            engine_.ListSheets(QFile::encodeName(job.source).toStdString(), job.type, job.options, sheets);
        emit sheetsListed(job.row, result, result == kSourceEncrypted && passwordRefused(result), sheets);
      },
      Qt::QueuedConnection);
}

bool ConversionWorker::passwordRefused(ResultCode result) const {
  return throughEngine_ && result == kSourceEncrypted && engine_.LastEncryptionFailure() == EncryptionFailure::kPassword;
}

void ConversionWorker::run(const ConversionJob& job) {
  if (job.sheets.empty()) {
    const ResultCode result = convertTo(job, job.target, job.replaceTarget);
    emit converted(job.row, result, passwordRefused(result));
    return;
  }
  // One conversion per sheet; the first failure ends the row.
  ResultCode total = 0;
  for (const SheetTarget& sheet : job.sheets) {
    ConversionJob one = job;
    one.options.sheets = {SheetChoice{std::string(), sheet.number}};
    const ResultCode result = convertTo(one, sheet.target, sheet.replaceTarget);
    if (result < 0) {
      emit converted(job.row, result, passwordRefused(result));
      return;
    }
    total = static_cast<ResultCode>(std::min<std::int64_t>(std::int64_t{total} + result, INT32_MAX));
  }
  emit converted(job.row, total, false);
}

ResultCode ConversionWorker::convertTo(const ConversionJob& job, const QString& target, bool replaceTarget) {
  ResultCode result = convert_(job, text_);
  if (result >= 0) {
    const std::string_view bytes(reinterpret_cast<const char*>(text_.data()),
                                 std::min(static_cast<std::size_t>(result), text_.size()));
    switch (WriteTargetFile(target, bytes, replaceTarget)) {
      // A target that appeared meanwhile, when it is not to be replaced,
      // cannot be created either.
      case AtomicWriteResult::kExists:
      case AtomicWriteResult::kCreateFailed: result = kDestinationCreateFailed; break;
      case AtomicWriteResult::kWriteFailed: result = kDestinationWriteFailed; break;
      case AtomicWriteResult::kOk: break;
    }
  }
  return result;
}

}  // namespace tabulox
