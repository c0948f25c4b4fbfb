// The character encoding of an XML part, turned into engine text before the
// part is tokenised. A part is UTF-8 unless it begins with a UTF-16 byte-order
// mark (FF FE little-endian, FE FF big-endian) or, without one, with "<?" in
// UTF-16 (XML 1.0 Appendix F.1). UTF-16 becomes engine text unit by unit; in
// UTF-8 a four-byte sequence (a character beyond the first plane) becomes its
// two surrogates, three bytes each, and every other byte stays as it is.
#pragma once

#include <cstddef>
#include <string>

#include "xml/xml_tokenizer.h"

namespace tabulox {

// Converts a part given in pieces of any size, in place.
class XmlPartDecoder {
 public:
  // Appends the bytes an earlier Convert held back; the next piece goes
  // behind them.
  void AppendHeldBack(std::string& text);

  // Converts text[from, end): the part's next bytes, after those that
  // AppendHeldBack gave back. Unless `last`, the bytes of a character cut off
  // by the end are held back for the next piece (all of them while the first
  // four bytes that tell the encoding have not all come). At the end a lone
  // byte of UTF-16 is dropped and a cut UTF-8 sequence stays as it is.
  void Convert(std::string& text, std::size_t from, bool last);

 private:
  enum class Encoding { kUnknown, kUtf8, kUtf16Le, kUtf16Be };

  void ConvertUtf8(std::string& text, std::size_t from, bool last);
  void ConvertUtf16(std::string& text, std::size_t from, bool last);

  Encoding encoding_ = Encoding::kUnknown;
  std::string heldBack_;
  std::string scratch_;
};

// The part read from `source` as engine text; `source` must outlive the
// returned source.
BlockSource EngineTextSource(const BlockSource& source);

}  // namespace tabulox
