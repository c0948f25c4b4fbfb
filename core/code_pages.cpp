#include "core/code_pages.h"

#include <langinfo.h>

#include <cctype>
#include <cstring>
#include <string_view>

namespace tabulox {
namespace {

struct NamedCodePage {
  std::int32_t codePage;
  const char* iconvName;
};

// Windows code pages whose iconv name is not simply "CP" followed by the number.
constexpr NamedCodePage kNamedCodePages[] = {
    {1361, "JOHAB"},       {10000, "MACINTOSH"},   {10007, "MAC-CYRILLIC"},
    {10029, "MAC-CENTRALEUROPE"},                  {20127, "ASCII"},
    {20866, "KOI8-R"},     {21866, "KOI8-U"},      {20932, "EUC-JP"},
    {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"}, {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"},                        {28605, "ISO-8859-15"},
    {50220, "ISO-2022-JP"},                        {50225, "ISO-2022-KR"},
    {51932, "EUC-JP"},     {51936, "GB2312"},      {51949, "EUC-KR"},
    {52936, "HZ"},         {54936, "GB18030"},     {65000, "UTF-7"},
    {1201, "UTF-16BE"},
};

// Code pages that iconv knows as "CP" followed by the number.
constexpr std::int32_t kNumberedCodePages[] = {
    437,  737,  775,  850,  852,  855,  856,  857,  858,  860,  861,  862,  863,  864,
    865,  866,  869,  874,  932,  936,  949,  950,  1125, 1250, 1251, 1252, 1253, 1254,
    1255, 1256, 1257, 1258,
};

std::string UpperAlnum(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  }
  return out;
}

// Character-set names as nl_langinfo gives them, folded to upper-case letters
// and digits, with their Windows identifiers.
struct CharsetCodePage {
  const char* folded;
  std::int32_t codePage;
};

constexpr CharsetCodePage kCharsetCodePages[] = {
    {"UTF8", 0},           {"ANSIX341968", 0},   {"ASCII", 0},
    {"ISO88591", 28591},   {"ISO88592", 28592},  {"ISO88593", 28593},
    {"ISO88594", 28594},   {"ISO88595", 28595},  {"ISO88596", 28596},
    {"ISO88597", 28597},   {"ISO88598", 28598},  {"ISO88599", 28599},
    {"ISO885913", 28603},  {"ISO885915", 28605}, {"KOI8R", 20866},
    {"KOI8U", 21866},      {"EUCJP", 51932},     {"EUCKR", 51949},
    {"GB2312", 936},       {"GBK", 936},         {"GB18030", 54936},
    {"BIG5", 950},         {"BIG5HKSCS", 950},   {"SHIFTJIS", 932},
    {"SJIS", 932},         {"TIS620", 874},      {"CP1250", 1250},
    {"CP1251", 1251},      {"CP1252", 1252},     {"CP1253", 1253},
    {"CP1254", 1254},      {"CP1255", 1255},     {"CP1256", 1256},
    {"CP1257", 1257},      {"CP1258", 1258},
};

}  // namespace

std::int32_t DefaultAnsiCodePage() {
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || *codeset == '\0') return 0;
  const std::string folded = UpperAlnum(codeset);
  for (const auto& entry : kCharsetCodePages) {
    if (folded == entry.folded) return entry.codePage;
  }
  return 0;
}

bool SystemCodePageIsUtf8() { return UpperAlnum(IconvNameForCodePage(kCodePageSystem)) == "UTF8"; }

std::string IconvNameForCodePage(std::int32_t codePage) {
  if (codePage == 0) {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset == nullptr || *codeset == '\0' || UpperAlnum(codeset) == "ANSIX341968")
      return "UTF-8";
    return codeset;
  }
  if (codePage == 65001) return "UTF-8";
  if (codePage == 1200) return "UTF-16LE";
  for (const auto& entry : kNamedCodePages) {
    if (entry.codePage == codePage) return entry.iconvName;
  }
  for (std::int32_t numbered : kNumberedCodePages) {
    if (numbered == codePage) return "CP" + std::to_string(codePage);
  }
  return {};
}

}  // namespace tabulox
