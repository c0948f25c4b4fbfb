#include <gtest/gtest.h>

#include <iconv.h>

#include <clocale>
#include <random>
#include <string>

#include "core/code_pages.h"
#include "core/conversion_output.h"
#include "core/engine_text.h"
#include "core/result_code.h"
#include "core/text_encoding.h"

namespace tabulox {
namespace {

std::string CrLfLineBreaks(std::string_view text) {
  std::string out;
  AppendCrLfLineBreaks(text, out);
  return out;
}

TEST(CrLfLineBreaks, EveryBreakFormBecomesCrLf) {
  EXPECT_EQ(CrLfLineBreaks("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd");
  // LF CR is two breaks.
  EXPECT_EQ(CrLfLineBreaks("x\n\ry"), "x\r\n\r\ny");
  EXPECT_EQ(CrLfLineBreaks("\r\r\n\n"), "\r\n\r\n\r\n");
}

TEST(HasOnlyCrLfBreaks, AgreesWithCrLfLineBreaks) {
  const std::string texts[] = {"",        "abc",        "a\r\nb\r\n", "a\nb",  "a\rb",
                               "\r\r\n\n", "x\n\ry",     "a\r\nb\nc",  "\r",     "\n",
                               "\r\n",    "tail\r\nx\r"};
  for (const std::string& text : texts) {
    EXPECT_EQ(HasOnlyCrLfBreaks(text), CrLfLineBreaks(text) == text) << "text of " << text.size() << " bytes";
  }
  // Longer texts, read many bytes at a time: breaks on and across the edges
  // of such steps, and anywhere else.
  std::uint32_t state = 7;
  const auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string text(next() % 100, 'a');
    for (std::size_t at = 15; at + 1 < text.size(); at += 16) {
      if (next() % 2) text.replace(at, 2, "\r\n");
    }
    const unsigned strays = next() % 3;
    for (unsigned k = 0; k < strays && !text.empty(); ++k) text[next() % text.size()] = next() % 2 ? '\r' : '\n';
    ASSERT_EQ(HasOnlyCrLfBreaks(text), CrLfLineBreaks(text) == text) << "round " << round;
  }
}

TEST(EncodeText, Utf8AddsMarkAndPassesMalformedTextThrough) {
  std::string out;
  EXPECT_EQ(EncodeText("", 65001, out), 0);
  EXPECT_EQ(out, "\xEF\xBB\xBF");
  EXPECT_EQ(EncodeText("a\xC3", 65001, out), 0);
  EXPECT_EQ(out, "\xEF\xBB\xBF" "a\xC3");
}

TEST(EncodeText, Utf8JoinsSurrogatePairsIntoFourByteForm) {
  // U+1F600 as engine text: the surrogates D83D DE00, three bytes each.
  std::string out;
  EXPECT_EQ(EncodeText("\xED\xA0\xBD\xED\xB8\x80", 65001, out), 0);
  EXPECT_EQ(out, "\xEF\xBB\xBF\xF0\x9F\x98\x80");
  // Between other text, after a lone high surrogate, and cut off at the end.
  EXPECT_EQ(EncodeText("a\xED\xA0\xBD" "b\xED\xA0\xBD\xED\xB8\x80" "c\xED\xA0\xBD\xED\xB8", 65001, out),
            0);
  EXPECT_EQ(out, "\xEF\xBB\xBF" "a\xED\xA0\xBD" "b\xF0\x9F\x98\x80" "c\xED\xA0\xBD\xED\xB8");
}

TEST(EncodeText, Utf16LittleEndianWithMark) {
  std::string out;
  EXPECT_EQ(EncodeText("A\xC3\xA9\xE2\x82\xAC", 1200, out), 0);
  EXPECT_EQ(out, std::string("\xFF\xFE" "A\0\xE9\0\xAC\x20", 8));
}

TEST(EncodeText, MalformedTextFailsExceptForUtf8) {
  std::string out = "untouched";
  EXPECT_EQ(EncodeText("a\xC3", 1200, out), kTextNotConvertible);
  EXPECT_EQ(EncodeText("\xE2\x82", 1252, out), kTextNotConvertible);
  EXPECT_EQ(EncodeText("\xC3\x41", 932, out), kTextNotConvertible);
  EXPECT_EQ(EncodeText("\xC3\x41", 1255, out), kTextNotConvertible);
  EXPECT_EQ(EncodeText("a\xC3", 0, out), kTextNotConvertible);
  EXPECT_EQ(out, "");
}

TEST(EncodeText, WindowsCodePagesReplaceWhatTheyCannotHold) {
  std::string out;
  // "é€Ω": 1252 holds the first two, not the Greek letter.
  EXPECT_EQ(EncodeText("\xC3\xA9\xE2\x82\xAC\xCE\xA9", 1252, out), 0);
  EXPECT_EQ(out, "\xE9\x80?");
  // Shift-JIS for "日本".
  EXPECT_EQ(EncodeText("\xE6\x97\xA5\xE6\x9C\xAC", 932, out), 0);
  EXPECT_EQ(out, "\x93\xFA\x96\x7B");
}

// ASCII runs are written around the converter; the characters between them
// must still convert, or be replaced, exactly as in one pass.
TEST(EncodeText, AsciiRunsBetweenConvertedCharacters) {
  std::string out;
  // "a€bΩc" + U+1F600 + "d\\~"
  const std::string text = "a\xE2\x82\xAC" "b\xCE\xA9" "c\xED\xA0\xBD\xED\xB8\x80" "d\\~";
  EXPECT_EQ(EncodeText(text, 1252, out), 0);
  EXPECT_EQ(out, "a\x80" "b?c?d\\~");
  EXPECT_EQ(EncodeText(text, 932, out), 0);
  EXPECT_EQ(out, "a?b\x83\xB6" "c?d\\~");
  // A lone high surrogate just before an ASCII run.
  EXPECT_EQ(EncodeText("x\xED\xA0\xBDy", 1252, out), 0);
  EXPECT_EQ(out, "x?y");
}

// Single-byte code pages answer repeated characters from a table.
TEST(EncodeText, SingleByteCodePagesGiveTheSameBytesForRepeatedCharacters) {
  std::string out;
  const std::string text = "\xC4\x8C\xD0\xB6" "A\xC4\x8C\xD0\xB6\xEF\xBB\xBF";  // "ČжAČж" U+FEFF
  EXPECT_EQ(EncodeText(text, 1250, out), 0);
  EXPECT_EQ(out, "\xC8?A\xC8??");
  EXPECT_EQ(EncodeText(text, 1251, out), 0);
  EXPECT_EQ(out, "?\xE6" "A?\xE6?");
}

// The reference: one pass of the converter over the whole text, "?" for each
// character it stops at (a surrogate pair is one character).
std::string ConvertInOnePass(const std::u16string& units, const char* charset) {
  iconv_t cd = iconv_open(charset, "UTF-16LE");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << charset;
  std::string out(units.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(reinterpret_cast<const char*>(units.data()));
  std::size_t inLeft = units.size() * 2;
  char* dst = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1)) break;
    const std::size_t at = (units.size() * 2 - inLeft) / 2;
    const bool pair = at + 1 < units.size() && units[at] >= 0xD800 && units[at] <= 0xDBFF &&
                      units[at + 1] >= 0xDC00 && units[at + 1] <= 0xDFFF;
    const std::size_t skip = pair ? 4 : 2;
    in += skip;
    inLeft -= skip;
    *dst++ = '?';
    --outLeft;
  }
  iconv_close(cd);
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

// Code pages that convert unit by unit are answered from a table of what the
// converter gives for each unit; the text must be the one of a single pass.
TEST(EncodeText, UnitTablesGiveTheBytesOfOnePass) {
  const std::u16string pool =
      u"aZ09 ~\\\u00E9\u00C8\u00DF\u0152\u20AC\u0416\u044F\u03A9\u03B1\u3042\u30A2\uFF71"
      u"\u65E5\u672C\u4E2D\uAC00\u0E01\u05D0\u0627\u2603\u00A0\u00B5\uFEFF";
  std::mt19937 random(5);
  std::uniform_int_distribution<std::size_t> pick(0, pool.size());
  std::u16string units;
  for (int i = 0; i < 3000; ++i) {
    const std::size_t k = pick(random);
    if (k == pool.size()) {
      units += u"\U0001F600";  // a surrogate pair
    } else {
      units.push_back(pool[k]);
    }
  }
  std::string text;
  for (char16_t unit : units) AppendUtf16Unit(text, unit);
  for (const std::int32_t codePage : {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254,
                                      1256, 1257}) {
    std::string out;
    ASSERT_EQ(EncodeText(text, codePage, out), 0) << codePage;
    EXPECT_EQ(out, ConvertInOnePass(units, IconvNameForCodePage(codePage).c_str())) << codePage;
  }
}

TEST(EncodeText, UnknownCodePageGivesEmptyText) {
  std::string out = "x";
  EXPECT_EQ(EncodeText("abc", 99999, out), 0);
  EXPECT_EQ(out, "");
}

TEST(EncodeText, SystemCodePageInTheCLocaleIsUtf8WithoutMark) {
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(DefaultAnsiCodePage(), 0);
  std::string out;
  EXPECT_EQ(EncodeText("\xC3\xA9\xED\xA0\xBD\xED\xB8\x80", 0, out), 0);
  EXPECT_EQ(out, "\xC3\xA9\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

TEST(FinishConversion, Utf8BlocksHoldWhatEncodeTextGivesAndAZero) {
  // The block of UTF-8 (with its mark) and of the system code page in the C
  // locale (UTF-8 without it) is copied straight from text already in final
  // form: it must match the converter's result for every kind of sequence.
  ASSERT_TRUE(SystemCodePageIsUtf8());
  const std::string texts[] = {
      "a\tb\r\n", "",
      "caf\xC3\xA9 \xE2\x82\xAC \xEF\xBF\xBF",  // two- and three-byte forms
      "\xED\x95\x9C",                                // U+D55C, not a surrogate
      "x\xED\xA0\xBD\xED\xB8\x80y",                 // a surrogate pair
      "\xED\xA0\xBD",                                // a lone surrogate half
      "\xC0\x80 \xC1\xBF",                            // longer forms than needed
      "\xE0\x80\x80 \xE0\x9F\xBF",                  // the same, three bytes
      "\xF0\x9F\x98\x80",                             // beyond the first plane
      "\x80\x80",                                      // a continuation as lead
      "ab\xC3",                                       // cut off
      "\xE2\x82",                                     // cut off
      "\xC3\x28",                                     // bad continuation
      std::string("nul\0inside", 11),
  };
  for (const std::int32_t codePage : {65001, 0}) {
    for (const std::string& text : texts) {
      SCOPED_TRACE(codePage);
      SCOPED_TRACE(text);
      std::string encoded;
      const ResultCode encodedRc = EncodeText(text, codePage, encoded);
      OutputBlock block{9, 9};
      const ResultCode rc =
          FinishConversion(std::string(LeadingMark(codePage)) + text, block, codePage, LineBreaks::kCrLf);
      if (encodedRc < 0) {  // text the system code page cannot read
        EXPECT_EQ(codePage, 0);
        EXPECT_EQ(rc, encodedRc);
        EXPECT_EQ(block, (OutputBlock{9, 9}));
        continue;
      }
      ASSERT_EQ(rc, static_cast<ResultCode>(encoded.size()));
      ASSERT_EQ(block.size(), encoded.size() + 1);
      EXPECT_EQ(std::string(block.begin(), block.end() - 1), encoded);
      EXPECT_EQ(block.back(), 0);
    }
  }
}


// Other breaks become CR LF before the text is encoded, or are kept as held,
// and text that is then in its final form still opens with the mark of its
// code page.
TEST(FinishConversion, RewrittenBreaksKeepTheMarkAndTheEncoding) {
  ASSERT_TRUE(SystemCodePageIsUtf8());
  for (const std::int32_t codePage : {65001, 0, 1252, 1200}) {
    for (const LineBreaks breaks : {LineBreaks::kCrLf, LineBreaks::kAsHeld}) {
      for (const std::string text : {"a\nb\r\n", "x\ry\r\n", "caf\xC3\xA9\r\n"}) {
        SCOPED_TRACE(testing::Message() << codePage << " " << (breaks == LineBreaks::kCrLf) << " " << text);
        std::string expected;
        ASSERT_EQ(EncodeText(breaks == LineBreaks::kCrLf ? CrLfLineBreaks(text) : text, codePage, expected), 0);
        OutputBlock block;
        const ResultCode rc =
            FinishConversion(std::string(LeadingMark(codePage)) + text, block, codePage, breaks);
        ASSERT_EQ(rc, static_cast<ResultCode>(expected.size()));
        EXPECT_EQ(block, expected + '\0');
      }
    }
  }
}

}  // namespace
}  // namespace tabulox
