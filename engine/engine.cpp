#include "tabulox/tabulox.h"

#include <utility>

#include "core/code_pages.h"
#include "core/file_bytes.h"
#include "engine/encrypted_package.h"
#include "engine/workbook_content.h"
#include "grid/sheet_choice.h"
#include "numfmt/date_time_pattern.h"
#include "numfmt/regional_settings.h"
#include "ods/convert_ods_workbook.h"
#include "ooxml/convert_xlsx_workbook.h"
#include "xls/convert_workbook.h"
#include "xlsb/convert_xlsb_workbook.h"
#include "zip/zip_archive.h"

namespace tabulox {

namespace {

// The reader of a workbook: one of the four, or the decryption of an
// encrypted package, whose ZIP archive then goes to the package reader its
// members ask for.
enum class Reader { kXls, kXlsx, kXlsb, kOds, kEncryptedPackage };

Reader ReaderNamed(WorkbookType type) {
  switch (type) {
    case WorkbookType::kXls:
      return Reader::kXls;
    case WorkbookType::kXlsb:
      return Reader::kXlsb;
    case WorkbookType::kXlsx:
      return Reader::kXlsx;
    case WorkbookType::kOds:
      return Reader::kOds;
  }
  return Reader::kXlsx;
}

// The reader of a workbook whose name says `named` and whose bytes hold
// `content`. `compoundContent` tells what a compound file holds: asked only
// when the name says something else than .xls, whose reader tells the kinds
// of compound file apart itself (and gives kEncryptedPackage for a package).
template <typename CompoundContentOf>
Reader ReaderOf(WorkbookContent content, WorkbookType named, CompoundContentOf compoundContent) {
  switch (content) {
    case WorkbookContent::kCompoundFile:
      if (named == WorkbookType::kXls) return Reader::kXls;
      switch (compoundContent()) {
        case CompoundContent::kWorkbook:
          return Reader::kXls;
        case CompoundContent::kEncryptedPackage:
          return Reader::kEncryptedPackage;
        case CompoundContent::kNone:
          return ReaderNamed(named);
      }
      return ReaderNamed(named);
    case WorkbookContent::kBareBiffStream:
      return Reader::kXls;
    case WorkbookContent::kXlsxPackage:
      return Reader::kXlsx;
    case WorkbookContent::kXlsbPackage:
      return Reader::kXlsb;
    case WorkbookContent::kOdsPackage:
    case WorkbookContent::kFlatOds:
      return Reader::kOds;
    case WorkbookContent::kOther:
      return ReaderNamed(named);
  }
  return ReaderNamed(named);
}

Reader ReaderOfFile(const std::string& path, WorkbookType named, ZipArchive& archive) {
  return ReaderOf(ContentOfFile(path, archive), named, [&] {
    FileBytes file;
    return ReadFileBytes(path, file) < 0 ? CompoundContent::kNone : CompoundFileContent(file);
  });
}

Reader ReaderOfBytes(std::span<const std::uint8_t> file, WorkbookType named, ZipArchive& archive) {
  return ReaderOf(ContentOfBytes(file, archive), named, [&] { return CompoundFileContent(file); });
}

// Numbers the listed sheets from 1 in workbook order.
ResultCode Numbered(ResultCode rc, std::vector<SheetInfo>& listed, std::vector<SheetInfo>& sheets) {
  if (rc < 0) return rc;
  for (std::size_t i = 0; i < listed.size(); ++i) listed[i].number = static_cast<int>(i + 1);
  sheets = std::move(listed);
  return rc;
}

// Decrypts the package of an encrypted file into `package`: 0, or
// kSourceEncrypted when no password opens it, kEncryptionMethodUnknown for a
// method not read, kFormatNotCorrect for damaged encryption.
ResultCode DecryptedPackage(std::span<const std::uint8_t> file, const std::optional<std::string>& password,
                            FileBytes& package) {
  try {
    switch (DecryptPackageFile(file, password, package)) {
      case DecryptionOutcome::kPasswordRefused:
        return kSourceEncrypted;
      case DecryptionOutcome::kMethodUnknown:
        return kEncryptionMethodUnknown;
      case DecryptionOutcome::kDecrypted:
        return 0;
    }
  } catch (...) {
  }
  return kFormatNotCorrect;
}

// Runs `read` on the decrypted package of the encrypted file `file`.
template <typename Read>
ResultCode ReadEncryptedPackage(std::span<const std::uint8_t> file,
                                const std::optional<std::string>& password, Read read) {
  FileBytes package;
  const ResultCode rc = DecryptedPackage(file, password, package);
  return rc < 0 ? rc : read(std::span<const std::uint8_t>(package));
}

// The same for the file at `path`, whose bytes are let go once the package
// is decrypted.
template <typename Read>
ResultCode ReadEncryptedPackage(const std::string& path, const std::optional<std::string>& password,
                                Read read) {
  FileBytes package;
  {
    FileBytes file;
    const ResultCode rc = ReadFileBytes(path, file);
    if (rc < 0) return rc;
    const ResultCode decrypted = DecryptedPackage(file, password, package);
    if (decrypted < 0) return decrypted;
  }
  return read(std::span<const std::uint8_t>(package));
}

}  // namespace

// The package readers share one ZIP reader, so that the archive opened to
// look at its members is read once; it is made first and destroyed last.
struct Engine::State {
  ZipArchive archive;
  XlsxConverter xlsx{archive};
  XlsbConverter xlsb{archive};
  OdsConverter ods{archive};
  EncryptionFailure lastEncryptionFailure = EncryptionFailure::kPassword;

  // A decrypted package goes to the reader its members ask for: the .xlsb
  // reader for a binary workbook, else the .xlsx reader, which tells what is
  // wrong with anything else.
  ResultCode ConvertPackage(std::span<const std::uint8_t> package, std::int32_t codePage,
                            const ConversionOptions& options, OutputBlock& block) {
    if (ContentOfBytes(package, archive) == WorkbookContent::kXlsbPackage)
      return xlsb.ConvertBuffer(package, block, codePage, options);
    return xlsx.ConvertBuffer(package, block, codePage, options);
  }

  ResultCode ListPackageSheets(std::span<const std::uint8_t> package, std::vector<SheetInfo>& sheets) {
    if (ContentOfBytes(package, archive) == WorkbookContent::kXlsbPackage)
      return xlsb.ListSheetsInBuffer(package, sheets);
    return xlsx.ListSheetsInBuffer(package, sheets);
  }

  ResultCode ListAllSheets(const std::string& path, WorkbookType type,
                           const std::optional<std::string>& password, std::vector<SheetInfo>& sheets);

  // The outcomes of encryption the readers tell apart become
  // kSourceEncrypted, with their reason kept for LastEncryptionFailure.
  ResultCode Reported(ResultCode rc) {
    if (rc == kSourceEncrypted) {
      lastEncryptionFailure = EncryptionFailure::kPassword;
    } else if (rc == kEncryptionMethodUnknown) {
      lastEncryptionFailure = EncryptionFailure::kMethod;
      return kSourceEncrypted;
    } else if (rc == kEncryptedPackage) {
      // Replaced by the package's own outcome on every path; never given out.
      return kFormatNotCorrect;
    }
    return rc;
  }
};

Engine::Engine() : state_(std::make_unique<State>()) { LoadRegionalSettings(); }

Engine::~Engine() = default;

ResultCode Engine::ConvertFile(const std::string& path, WorkbookType type, std::int32_t codePage,
                               OutputBlock& block) {
  return ConvertFile(path, type, codePage, ConversionOptions{}, block);
}

ResultCode Engine::ConvertBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                                 std::int32_t codePage, OutputBlock& block) {
  return ConvertBuffer(file, type, codePage, ConversionOptions{}, block);
}

ResultCode Engine::ConvertFile(const std::string& path, WorkbookType type, std::int32_t codePage,
                               const ConversionOptions& options, OutputBlock& block) {
  auto convertPackage = [&](std::span<const std::uint8_t> package) {
    return state_->ConvertPackage(package, codePage, options, block);
  };
  ResultCode rc = kFormatNotCorrect;
  switch (ReaderOfFile(path, type, state_->archive)) {
    case Reader::kXls:
      rc = ConvertWorkbook(path, block, codePage, options);
      if (rc == kEncryptedPackage) rc = ReadEncryptedPackage(path, options.password, convertPackage);
      break;
    case Reader::kXlsx:
      rc = state_->xlsx.Convert(path, block, codePage, options);
      break;
    case Reader::kXlsb:
      rc = state_->xlsb.Convert(path, block, codePage, options);
      break;
    case Reader::kOds:
      rc = state_->ods.Convert(path, block, codePage, options);
      break;
    case Reader::kEncryptedPackage:
      rc = ReadEncryptedPackage(path, options.password, convertPackage);
      break;
  }
  return state_->Reported(rc);
}

ResultCode Engine::ConvertBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                                 std::int32_t codePage, const ConversionOptions& options,
                                 OutputBlock& block) {
  auto convertPackage = [&](std::span<const std::uint8_t> package) {
    return state_->ConvertPackage(package, codePage, options, block);
  };
  ResultCode rc = kFormatNotCorrect;
  switch (ReaderOfBytes(file, type, state_->archive)) {
    case Reader::kXls:
      rc = ConvertWorkbookBuffer(file, block, codePage, options);
      if (rc == kEncryptedPackage) rc = ReadEncryptedPackage(file, options.password, convertPackage);
      break;
    case Reader::kXlsx:
      rc = state_->xlsx.ConvertBuffer(file, block, codePage, options);
      break;
    case Reader::kXlsb:
      rc = state_->xlsb.ConvertBuffer(file, block, codePage, options);
      break;
    case Reader::kOds:
      rc = state_->ods.ConvertBuffer(file, block, codePage, options);
      break;
    case Reader::kEncryptedPackage:
      rc = ReadEncryptedPackage(file, options.password, convertPackage);
      break;
  }
  return state_->Reported(rc);
}

ResultCode Engine::ListSheets(const std::string& path, WorkbookType type,
                              std::vector<SheetInfo>& sheets) {
  return state_->ListAllSheets(path, type, std::nullopt, sheets);
}

ResultCode Engine::State::ListAllSheets(const std::string& path, WorkbookType type,
                                        const std::optional<std::string>& password,
                                        std::vector<SheetInfo>& sheets) {
  std::vector<SheetInfo> listed;
  auto listPackage = [&](std::span<const std::uint8_t> package) {
    return ListPackageSheets(package, listed);
  };
  ResultCode rc = kFormatNotCorrect;
  switch (ReaderOfFile(path, type, archive)) {
    case Reader::kXls:
      rc = ListWorkbookSheets(path, listed, password);
      if (rc == kEncryptedPackage) rc = ReadEncryptedPackage(path, password, listPackage);
      break;
    case Reader::kXlsx:
      rc = xlsx.ListSheets(path, listed);
      break;
    case Reader::kXlsb:
      rc = xlsb.ListSheets(path, listed);
      break;
    case Reader::kOds:
      rc = ods.ListSheets(path, listed);
      break;
    case Reader::kEncryptedPackage:
      rc = ReadEncryptedPackage(path, password, listPackage);
      break;
  }
  return Reported(Numbered(rc, listed, sheets));
}

ResultCode Engine::ListSheetsInBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                                      std::vector<SheetInfo>& sheets) {
  std::vector<SheetInfo> listed;
  auto listPackage = [&](std::span<const std::uint8_t> package) {
    return state_->ListPackageSheets(package, listed);
  };
  ResultCode rc = kFormatNotCorrect;
  switch (ReaderOfBytes(file, type, state_->archive)) {
    case Reader::kXls:
      rc = ListWorkbookSheetsInBuffer(file, listed);
      if (rc == kEncryptedPackage) rc = ReadEncryptedPackage(file, std::nullopt, listPackage);
      break;
    case Reader::kXlsx:
      rc = state_->xlsx.ListSheetsInBuffer(file, listed);
      break;
    case Reader::kXlsb:
      rc = state_->xlsb.ListSheetsInBuffer(file, listed);
      break;
    case Reader::kOds:
      rc = state_->ods.ListSheetsInBuffer(file, listed);
      break;
    case Reader::kEncryptedPackage:
      rc = ReadEncryptedPackage(file, std::nullopt, listPackage);
      break;
  }
  return state_->Reported(Numbered(rc, listed, sheets));
}

ResultCode Engine::ListSheets(const std::string& path, WorkbookType type,
                              const ConversionOptions& options, std::vector<SheetInfo>& sheets) {
  std::vector<SheetInfo> all;
  const ResultCode rc = state_->ListAllSheets(path, type, options.password, all);
  if (rc < 0) return rc;
  std::vector<std::size_t> chosen;
  const ResultCode choice = ChooseSheets(all, options, chosen);
  if (choice < 0) return choice;
  sheets.clear();
  for (std::size_t at : chosen) sheets.push_back(all[at]);
  return static_cast<ResultCode>(sheets.size());
}

EncryptionFailure Engine::LastEncryptionFailure() const { return state_->lastEncryptionFailure; }

void Engine::SetProgressCallback(std::function<void()> progress) {
  state_->archive.OnProgress = std::move(progress);
}

std::int32_t Engine::LocaleCodePage() { return DefaultAnsiCodePage(); }

std::string DateTimeText(double daySerial) {
  std::string text;
  FormatDateTimePattern("c", daySerial, text);
  return text;
}

}  // namespace tabulox
