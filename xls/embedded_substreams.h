// Substreams embedded in a worksheet substream. A chart drawn on a worksheet,
// and other objects of their own kind, are stored inside the worksheet's
// substream as a substream of their own, from a BOF record of another type
// than a worksheet's to the EOF record that closes it ([MS-XLS] 2.1.7.20.5,
// 2.4.21). Their records (a chart's cached series values are NUMBER and LABEL
// records, for instance) are not cells of the worksheet, and their EOF ends
// only them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "xls/biff_records.h"

namespace tabulox {

// Follows the records of a worksheet substream one by one and tells, for each,
// whether it belongs to the worksheet itself. A record walk that starts at the
// worksheet's own BOF, or at one of the worksheet's cell records, starts
// outside any embedded substream.
class EmbeddedSubstreams {
 public:
  enum class Owner {
    kWorksheet,     // a record of the worksheet itself
    kEmbedded,      // a record of an embedded substream, its BOF and EOF included
    kWorksheetEof,  // the EOF that ends the worksheet
  };

  // Takes the next record. The first record of a walk, when it is a BOF, is
  // the worksheet's own, whatever its type. A worksheet BOF after it does not
  // open a substream: a worksheet that lacks its EOF runs on into the
  // records that follow it. Within an embedded substream, every BOF opens one
  // more level and every EOF closes one.
  Owner Next(std::uint16_t type, std::span<const std::uint8_t> payload) {
    const bool first = first_;
    first_ = false;
    if (type == kRecordBof) {
      if (depth_ > 0 || (!first && SubstreamType(payload) != kBofTypeWorksheet)) {
        ++depth_;
        return Owner::kEmbedded;
      }
      return Owner::kWorksheet;
    }
    if (depth_ > 0) {
      if (type == kRecordEof) --depth_;
      return Owner::kEmbedded;
    }
    return type == kRecordEof ? Owner::kWorksheetEof : Owner::kWorksheet;
  }

 private:
  // The BOF's substream type; a BOF too short to hold one is taken for a
  // worksheet's, which opens nothing.
  static std::uint16_t SubstreamType(std::span<const std::uint8_t> payload) {
    return payload.size() >= 4 ? LoadU16le(payload, 2) : kBofTypeWorksheet;
  }

  std::size_t depth_ = 0;
  bool first_ = true;
};

}  // namespace tabulox
