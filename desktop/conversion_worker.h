// The part of a conversion run that takes time: converting one workbook and
// writing its text to the target file, done on a thread of its own so that
// the window keeps answering. The run itself (which rows, the target paths,
// the overwrite question, the log) stays with its owner on the window's
// thread, which hands over one row at a time.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <cstdint>
#include <memory>

#include "desktop/conversion_entry.h"
#include "tabulox/tabulox.h"

namespace tabulox {

// One sheet's target of a conversion with one file per sheet.
struct SheetTarget {
  int number = 0;  // the sheet's, from 1 in workbook order
  QString target;
  bool replaceTarget = false;
};

// One row's conversion as the run settled it.
struct ConversionJob {
  int row = 0;
  QString source;
  QString target;
  bool replaceTarget = false;  // overwrite an existing target
  WorkbookType type = WorkbookType::kXls;
  std::int32_t codePage = 0;
  ConversionOptions options;
  // With one file per sheet: the sheets and their targets, in place of
  // `target`. Settled on the window's thread after listSheets.
  std::vector<SheetTarget> sheets;
};

class ConversionWorker : public QObject {
  Q_OBJECT

 public:
  // Starts the thread; conversions go through an engine of its own.
  explicit ConversionWorker(QObject* parent = nullptr);
  // Waits for a conversion in hand to end, then ends the thread; outcomes
  // not yet delivered are dropped.
  ~ConversionWorker() override;

  // Replaces the engine (tests): `xls` converts the .xls rows, `xlsx` the
  // others; neither sees the job's options. Only while no conversion is
  // queued or running.
  void setConverters(ConvertFunction xls, ConvertFunction xlsx);

  // Queues one conversion; converted follows when it is done. Conversions
  // run one after the other in the order they were queued.
  void convert(const ConversionJob& job);
  // Queues the listing of the sheets `job` would write, through the engine;
  // sheetsListed follows.
  void listSheets(const ConversionJob& job);

 signals:
  // `result`: the byte count of the text written, the engine's failure code,
  // or kDestinationCreateFailed / kDestinationWriteFailed when the target
  // could not be created or written. `passwordRefused`: the result is
  // kSourceEncrypted because no password given opened the workbook (not an
  // encryption the engine cannot read). Emitted on the worker's thread, so a
  // receiver on another thread gets it queued.
  void converted(int row, int result, bool passwordRefused);
  // `result`: the number of sheets, or the engine's failure code.
  void sheetsListed(int row, int result, bool passwordRefused, const std::vector<SheetInfo>& sheets);

 private:
  void run(const ConversionJob& job);
  // Converts and writes one target; the byte count or the failure code.
  ResultCode convertTo(const ConversionJob& job, const QString& target, bool replaceTarget);
  bool passwordRefused(ResultCode result) const;

  Engine engine_;
  bool throughEngine_ = true;  // false once setConverters replaced it
  std::function<ResultCode(const ConversionJob& job, OutputBlock& block)> convert_;
  // Reused from one conversion to the next, so at most one text is held.
  OutputBlock text_;
  QThread thread_;
  std::unique_ptr<QObject> onThread_;  // lives on thread_; runs the queued conversions
};

}  // namespace tabulox
