// The activity log "tbulxact.log": UTF-16LE with a byte-order mark, one line
// per message, "[" time stamp "]: " message CR LF. No size limit.
#pragma once

#include <QString>
#include <stdexcept>

namespace tabulox {

// Raised when the log file cannot be created, opened or written.
class LogWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ConfigDir() + "tbulxact.log".
QString LogFilePath();

// Appends one line to the log unless GlobalSettings().loggingOff is set. Creates
// the file (and the configuration folder) with the mark FF FE when missing; an
// existing file is appended to in UTF-16LE whatever it starts with. The file
// is open only during the call. Raises LogWriteError.
void WriteLog(const QString& message);

// The text of a log file for showing: the byte-order mark decides the encoding
// (FF FE UTF-16LE, FE FF UTF-16BE, EF BB BF UTF-8, else the locale's 8-bit
// code page) and is dropped; lone CR and lone LF become line breaks ("\n").
QString DecodeLogText(const QByteArray& bytes);

// The bytes an export writes: FF FE, then the text in UTF-16LE with CR LF
// between lines.
QByteArray EncodeLogExport(const QString& text);

}  // namespace tabulox
