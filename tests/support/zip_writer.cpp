#include "support/zip_writer.h"

#include <zlib.h>

#include <fstream>
#include <stdexcept>

namespace tabulox::testing {
namespace {

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

struct Written {
  std::uint32_t offset, crc, compressedSize, uncompressedSize;
  std::uint16_t flags, method;
};

}  // namespace

std::string DeflateRaw(std::string_view data) {
  z_stream s{};
  if (deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&s, static_cast<uLong>(data.size())), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&s, Z_FINISH);
  deflateEnd(&s);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(s.total_out);
  return out;
}

std::string DeflateGenerated(const std::function<bool(std::string&)>& next, std::uint32_t& crc,
                             std::uint64_t& size) {
  z_stream s{};
  if (deflateInit2(&s, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out;
  std::string block;
  char buffer[65536];
  crc = 0;
  size = 0;
  bool more = true;
  while (more) {
    block.clear();
    more = next(block);
    crc = static_cast<std::uint32_t>(
        crc32(crc, reinterpret_cast<const Bytef*>(block.data()), static_cast<uInt>(block.size())));
    size += block.size();
    s.next_in = reinterpret_cast<Bytef*>(block.data());
    s.avail_in = static_cast<uInt>(block.size());
    int status = Z_OK;
    do {
      s.next_out = reinterpret_cast<Bytef*>(buffer);
      s.avail_out = sizeof buffer;
      status = deflate(&s, more ? Z_NO_FLUSH : Z_FINISH);
      if (status == Z_STREAM_ERROR) {
        deflateEnd(&s);
        throw std::runtime_error("deflate");
      }
      out.append(buffer, sizeof buffer - s.avail_out);
    } while (s.avail_out == 0 || (!more && status != Z_STREAM_END));
  }
  deflateEnd(&s);
  return out;
}

std::uint32_t Crc32(std::string_view data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string WriteZip(const std::vector<ZipEntry>& entries, const ZipOptions& options) {
  std::string zip;
  std::vector<Written> written;
  for (const ZipEntry& e : entries) {
    const std::string payload =
        e.rawData ? *e.rawData : (e.method == 8 ? DeflateRaw(e.data) : e.data);
    Written w{
        static_cast<std::uint32_t>(zip.size()),
        e.statedCrc.value_or(Crc32(e.data)),
        e.statedCompressedSize.value_or(static_cast<std::uint32_t>(payload.size())),
        e.statedUncompressedSize.value_or(static_cast<std::uint32_t>(e.data.size())),
        static_cast<std::uint16_t>((e.encrypted ? 0x0001 : 0) | (e.dataDescriptor ? 0x0008 : 0)),
        e.method};
    Put32(zip, 0x04034b50);
    Put16(zip, 20);
    Put16(zip, w.flags);
    Put16(zip, w.method);
    Put16(zip, 0);       // time
    Put16(zip, 0x5A21);  // date 2025-01-01
    const bool zeroes = e.dataDescriptor && !e.sizesInLocalHeader;
    Put32(zip, zeroes ? 0 : w.crc);
    Put32(zip, zeroes ? 0 : w.compressedSize);
    Put32(zip, zeroes ? 0 : w.uncompressedSize);
    Put16(zip, static_cast<std::uint32_t>(e.name.size()));
    Put16(zip, 0);
    zip += e.name;
    zip += payload;
    if (e.dataDescriptor) {
      Put32(zip, 0x08074b50);
      Put32(zip, w.crc);
      Put32(zip, w.compressedSize);
      Put32(zip, w.uncompressedSize);
    }
    written.push_back(w);
  }
  const std::uint32_t directoryOffset = static_cast<std::uint32_t>(zip.size());
  std::size_t headers = 0;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const std::size_t i = options.reverseCentralDirectory ? entries.size() - 1 - k : k;
    const int copies = (i == 0 && options.duplicateFirstCentralHeader) ? 2 : 1;
    for (int c = 0; c < copies; ++c) {
      const ZipEntry& e = entries[i];
      const Written& w = written[i];
      Put32(zip, (k == 0 && options.corruptCentralDirectory) ? 0x02014b51 : 0x02014b50);
      Put16(zip, e.versionMadeBy);
      Put16(zip, 20);
      Put16(zip, w.flags);
      Put16(zip, w.method);
      Put16(zip, 0);
      Put16(zip, 0x5A21);
      Put32(zip, w.crc);
      Put32(zip, w.compressedSize);
      Put32(zip, w.uncompressedSize);
      Put16(zip, static_cast<std::uint32_t>(e.name.size()));
      Put16(zip, 0);  // extra
      Put16(zip, 0);  // comment
      Put16(zip, 0);  // disk
      Put16(zip, 0);  // internal attributes
      Put32(zip, 0);  // external attributes
      Put32(zip, w.offset);
      zip += e.name;
      ++headers;
    }
  }
  const std::uint32_t directorySize = static_cast<std::uint32_t>(zip.size()) - directoryOffset;
  Put32(zip, 0x06054b50);
  Put16(zip, options.thisDisk);
  Put16(zip, options.thisDisk);
  Put16(zip, static_cast<std::uint32_t>(headers));
  Put16(zip, static_cast<std::uint32_t>(headers));
  Put32(zip, directorySize);
  Put32(zip, directoryOffset);
  Put16(zip, static_cast<std::uint32_t>(options.comment.size()));
  zip += options.comment;
  return options.prefix + zip;
}

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

bool WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

}  // namespace tabulox::testing
