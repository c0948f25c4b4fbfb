// The two engine entry points as the desktop program calls them: a path in,
// the encoded text in the caller's output block, a result code back.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "output_block.h"
#include "result_code.h"

namespace tabulox {

using ConvertFunction =
    std::function<ResultCode(const QString& source, OutputBlock& block, std::int32_t codePage)>;

// ConvertWorkbook with CR LF line breaks.
ResultCode ConvertXlsFile(const QString& source, OutputBlock& block, std::int32_t codePage);

// ConvertXlsxWorkbook; kConverterUnavailable when the program is built
// without the .xlsx engine.
ResultCode ConvertXlsxFile(const QString& source, OutputBlock& block, std::int32_t codePage);

// Create and release the .xlsx engine's program-wide objects (program start
// and exit). Do nothing without the .xlsx engine.
void StartXlsxEngine();
void StopXlsxEngine();

// Lets the .xlsx engine call `processEvents` while it reads compressed input,
// so that a long read does not freeze the window. Does nothing without it.
void SetXlsxProgressCallback(std::function<void()> processEvents);

}  // namespace tabulox
