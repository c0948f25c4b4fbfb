// The engine as the desktop program calls it: a path in, the encoded text in
// the caller's output block, a result code back.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "tabulox/tabulox.h"

namespace tabulox {

using ConvertFunction =
    std::function<ResultCode(const QString& source, OutputBlock& block, std::int32_t codePage)>;

// Conversions of workbooks of `type` by `engine`, which must outlive the
// function.
ConvertFunction EngineConverter(Engine& engine, WorkbookType type);

}  // namespace tabulox
