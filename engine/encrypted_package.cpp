#include "engine/encrypted_package.h"

#include "core/extraction_error.h"
#include "crypt/package_decryption.h"
#include "xls/compound_file.h"

namespace tabulox {

DecryptionOutcome DecryptPackageFile(std::span<const std::uint8_t> file,
                                     const std::optional<std::string>& password,
                                     FileBytes& package) {
  std::string lastError;
  const std::unique_ptr<CompoundFile> storage = CompoundFile::Open(file, lastError);
  if (!storage) throw ExtractionError("encrypted package: " + lastError);
  const std::optional<StreamBytes> info = storage->OpenStreamBytes(u"EncryptionInfo");
  const std::optional<StreamBytes> encrypted = storage->OpenStreamBytes(u"EncryptedPackage");
  if (!info || !encrypted) throw ExtractionError("encrypted package without its streams");
  return DecryptPackage(info->bytes(), encrypted->bytes(), password, package);
}

}  // namespace tabulox
