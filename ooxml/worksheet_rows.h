// Handing the rows of a worksheet part to a walk as they are read, so that no
// row is kept: what both layouts of a worksheet read a part through.
#pragma once

#include <exception>

#include "xml/xml_document.h"

namespace tabulox {

// What lays out the rows of one worksheet.
class RowWalk {
 public:
  virtual ~RowWalk() = default;
  // One child of the sheetData laid out, in order.
  virtual void Row(const XmlNode& element) = 0;
  // Drops what was laid out, for the rows of another sheetData.
  virtual void Restart() = 0;
  // One child of a cols element of the worksheet (which comes before its
  // sheetData).
  virtual void Column(const XmlNode& /*element*/) {}
};

// The sheetData element whose rows are written: the first named "sheetData",
// or when there is none the first with that local name ("x:sheetData").
const XmlNode* SheetData(const XmlNode& worksheet);

// Hands the rows of the worksheet's sheetData to the walk as they are read.
// Every sheetData hands over its rows, so that none is kept; those of the
// one SheetData chooses among the siblings read so far are laid out, the walk
// starting again when a plain sheetData follows a prefixed one. So that the
// outcome is the complete tree's, an error the rows of a prefixed one raise
// is held until the end, and the choice is checked then (a sheetData written
// as an empty tag, which hands over nothing, may come last).
class WorksheetRows : public XmlChildSink {
 public:
  explicit WorksheetRows(RowWalk& walk) : walk_(walk) {}

  // Every element of the worksheet hands over its children: only those of
  // sheetData and cols are read, and the others (mergeCells, ...) are not
  // kept.
  bool HandsOverChildren(const XmlNode& item) override;
  void TakeChild(const XmlNode& child) override;

  // Once the whole part has been read: the walk starts again when the rows
  // laid out were not those of the sheetData chosen, and a held error is
  // raised.
  void Finish(const XmlNode& worksheet);

 private:
  RowWalk& walk_;
  const XmlNode* laidOut_ = nullptr;  // the sheetData whose rows were laid out
  bool laidOutPlain_ = false;
  std::exception_ptr heldError_;
};

}  // namespace tabulox
