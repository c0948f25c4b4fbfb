#include "ods/ods_content_walk.h"

#include <algorithm>

#include "ods/ods_values.h"
#include "xml/xml_document.h"
#include "xml/xml_part_encoding.h"
#include "xml/xml_tokenizer.h"

namespace tabulox {
namespace {

// Characters a paragraph's character data holds as a space.
bool IsBlank(char c) { return c == '\t' || c == '\r' || c == '\n'; }

bool IsHiddenVisibility(std::string_view value) { return value == "collapse" || value == "filter"; }

// The largest count of blanks one text:s gives.
constexpr std::uint32_t kMaxSpaceCount = 1u << 16;

class ContentWalk {
 public:
  ContentWalk(OdsContentSink& sink, OdsStyleSink* styles, RepeatBudget& budget)
      : sink_(sink), styles_(styles), budget_(budget) {}

  void Token(const XmlToken& token) {
    switch (token.kind) {
      case XmlTokenKind::kStartTag:
        Start(token.text, false);
        break;
      case XmlTokenKind::kEmptyTag:
        Start(token.text, true);
        break;
      case XmlTokenKind::kEndTag:
        End();
        break;
      case XmlTokenKind::kText:
        Text(token.text, false);
        break;
      case XmlTokenKind::kCData:
        Text(token.text, true);
        break;
      default:
        break;
    }
  }

  // Ends what the document left open.
  void Finish() {
    while (depth_ > 0) End();
  }

 private:
  void Start(std::string_view inner, bool empty) {
    if (!inner.empty() && inner.back() == '/') inner.remove_suffix(1);
    ++depth_;
    if (skipFrom_ != 0) {
      if (empty) --depth_;
      return;
    }
    const std::string_view name = TagName(inner);
    const std::size_t colon = name.rfind(':');
    const std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
    // Attributes are split only where they are read: most tags of a cell's
    // text have none that matter.
    if (NeedsAttributes(local)) {
      SplitTag(inner, lines_);
    } else {
      lines_.clear();
    }
    const OdsTag tag(local, lines_, scratch_);
    if (stylesFrom_ != 0) {
      styles_->StartElement(tag);
    } else if (cellFrom_ != 0) {
      CellContent(tag);
    } else {
      Structure(tag);
    }
    if (empty) End();
  }

  bool NeedsAttributes(std::string_view local) const {
    if (stylesFrom_ != 0) return true;
    if (cellFrom_ != 0) return local == "s";
    return local == "table" || local == "table-row" || local == "table-column" || local == "table-cell" ||
           local == "covered-table-cell";
  }

  void Structure(const OdsTag& tag) {
    const std::string_view local = tag.LocalName();
    if (tableFrom_ == 0) {
      if (local == "table") {
        tableFrom_ = depth_;
        const std::string name(tag.Attribute("table:name"));
        sink_.BeginTable(name, tag.Attribute("table:style-name"));
      } else if (styles_ != nullptr && (local == "styles" || local == "automatic-styles")) {
        stylesFrom_ = depth_;
      } else if (local == "master-styles" || local == "scripts" || local == "settings") {
        skipFrom_ = depth_;
      }
      return;
    }
    if (rowFrom_ != 0) {
      if (local == "table-cell" || local == "covered-table-cell") {
        if (!sink_.WantsCells()) {
          skipFrom_ = depth_;
          return;
        }
        BeginCell(tag, local == "covered-table-cell");
      } else {
        skipFrom_ = depth_;  // nothing else of a row is read
      }
      return;
    }
    if (local == "table-row") {
      rowFrom_ = depth_;
      sink_.BeginRow(ParseOdsRepeat(tag.Attribute("table:number-rows-repeated"), kOdsRows),
                     IsHiddenVisibility(tag.Attribute("table:visibility")));
    } else if (local == "table-column") {
      const std::uint32_t repeat =
          ParseOdsRepeat(tag.Attribute("table:number-columns-repeated"), kOdsColumns);
      const bool hidden = IsHiddenVisibility(tag.Attribute("table:visibility"));
      sink_.Columns(repeat, hidden, tag.Attribute("table:default-cell-style-name"));
    } else if (local == "shapes" || local == "named-expressions" || local == "table-source" ||
               local == "scenario" || local == "forms" || local == "dde-source") {
      skipFrom_ = depth_;
    }
  }

  void BeginCell(const OdsTag& tag, bool covered) {
    cellFrom_ = depth_;
    cell_.type = OdsValueType::kNone;
    cell_.value = 0;
    cell_.hasValue = false;
    cell_.covered = covered;
    cell_.hasText = false;
    cell_.text.clear();
    cell_.repeat = ParseOdsRepeat(tag.Attribute("table:number-columns-repeated"), kOdsColumns);
    cell_.styleName = tag.Attribute("table:style-name");
    cell_.formula = tag.HasAttribute("table:formula");
    cell_.error = tag.Attribute("calcext:value-type") == "error";
    const std::string_view type = tag.Attribute("office:value-type");
    std::optional<double> value;
    if (type == "float" || type == "percentage" || type == "currency") {
      cell_.type = type == "float"        ? OdsValueType::kFloat
                   : type == "percentage" ? OdsValueType::kPercentage
                                          : OdsValueType::kCurrency;
      value = ParseOdsNumber(tag.Attribute("office:value"));
    } else if (type == "date") {
      cell_.type = OdsValueType::kDate;
      value = ParseOdsDate(tag.Attribute("office:date-value"));
    } else if (type == "time") {
      cell_.type = OdsValueType::kTime;
      value = ParseOdsDuration(tag.Attribute("office:time-value"));
    } else if (type == "boolean") {
      cell_.type = OdsValueType::kBoolean;
      const std::string_view flag = tag.Attribute("office:boolean-value");
      if (flag == "true" || flag == "false") value = flag == "true" ? 1.0 : 0.0;
    } else if (type == "string") {
      cell_.type = OdsValueType::kString;
    }
    if (value) {
      cell_.value = *value;
      cell_.hasValue = true;
    }
    stringValue_ = tag.Attribute("office:string-value");
    hasStringValue_ = tag.HasAttribute("office:string-value");
  }

  void CellContent(const OdsTag& tag) {
    const std::string_view local = tag.LocalName();
    if (paragraphFrom_ == 0) {
      if (local == "p" && depth_ == cellFrom_ + 1) {
        paragraphFrom_ = depth_;
        if (cell_.hasText) AppendText("\n");
        cell_.hasText = true;
      } else {
        skipFrom_ = depth_;  // annotations, drawings, lists: not the cell's text
      }
      return;
    }
    if (local == "s") {
      const std::uint32_t count = ParseOdsRepeat(tag.Attribute("text:c"), kMaxSpaceCount);
      budget_.Spend(count);
      AppendText(std::string(count, ' '));
    } else if (local == "tab") {
      AppendText("\t");
    } else if (local == "line-break") {
      AppendText("\n");
    } else if (local == "annotation" || local == "note") {
      skipFrom_ = depth_;
    }
  }

  void Text(std::string_view text, bool literal) {
    if (skipFrom_ != 0) return;
    if (stylesFrom_ != 0) {
      if (literal) {
        styles_->Text(text);
      } else {
        decoded_.clear();
        AppendDecodedEntities(text, 1, decoded_);
        styles_->Text(decoded_);
      }
      return;
    }
    if (paragraphFrom_ == 0) return;
    const std::size_t from = cell_.text.size();
    if (literal) {
      cell_.text += text;
    } else {
      AppendDecodedEntities(text, 1, cell_.text);
    }
    // Blanks stay as written, as the application reads them; a line break or
    // tab in the character data is a space.
    for (std::size_t i = from; i < cell_.text.size(); ++i)
      if (IsBlank(cell_.text[i])) cell_.text[i] = ' ';
  }

  void AppendText(std::string_view text) { cell_.text += text; }

  void End() {
    if (depth_ == 0) return;  // an end tag without its start
    const std::size_t closing = depth_--;
    if (skipFrom_ != 0) {
      if (closing == skipFrom_) skipFrom_ = 0;
      return;
    }
    if (stylesFrom_ != 0) {
      if (closing == stylesFrom_) {
        stylesFrom_ = 0;
      } else {
        styles_->EndElement();
      }
      return;
    }
    if (closing == paragraphFrom_) {
      paragraphFrom_ = 0;
    } else if (closing == cellFrom_) {
      cellFrom_ = 0;
      paragraphFrom_ = 0;
      // The string value, where the writer gives one, is the text exactly.
      if (hasStringValue_ && !cell_.error) {
        cell_.text = stringValue_;
        cell_.hasText = true;
      }
      sink_.Cell(cell_);
    } else if (closing == rowFrom_) {
      rowFrom_ = 0;
      sink_.EndRow();
    } else if (closing == tableFrom_) {
      tableFrom_ = 0;
      sink_.EndTable();
    }
  }

  OdsContentSink& sink_;
  OdsStyleSink* styles_;
  RepeatBudget& budget_;
  std::vector<XmlAttributeLine> lines_;
  std::string scratch_;
  std::string decoded_;
  // The depth of the open elements, and where each context began (0: not in it).
  std::size_t depth_ = 0;
  std::size_t skipFrom_ = 0;
  std::size_t stylesFrom_ = 0;
  std::size_t tableFrom_ = 0;
  std::size_t rowFrom_ = 0;
  std::size_t cellFrom_ = 0;
  std::size_t paragraphFrom_ = 0;
  OdsCell cell_;
  std::string stringValue_;
  bool hasStringValue_ = false;
};

}  // namespace

std::string_view OdsTag::Attribute(std::string_view name) const {
  for (const XmlAttributeLine& line : lines_) {
    if (!line.hasValue || line.name != name) continue;
    std::string_view value = line.value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    } else {
      value = StripAttributeQuotes(value);
    }
    if (!line.valueHasAmpersand || !HasEntity(value)) return value;
    scratch_.clear();
    AppendDecodedEntities(value, 1, scratch_);
    return scratch_;
  }
  return {};
}

bool OdsTag::HasAttribute(std::string_view name) const {
  return std::any_of(lines_.begin(), lines_.end(),
                     [&](const XmlAttributeLine& line) { return line.hasValue && line.name == name; });
}

void WalkOdsContent(const BlockSource& source, OdsContentSink& sink, OdsStyleSink* styles,
                    RepeatBudget& budget) {
  const BlockSource counted = [&](std::string& block) {
    const std::size_t before = block.size();
    if (!source(block)) return false;
    budget.Backed(block.size() - before);
    return true;
  };
  XmlTokenizer tokenizer(EngineTextSource(counted), XmlDocument::kMaxInputBytes);
  tokenizer.KeepEveryBlank();
  ContentWalk walk(sink, styles, budget);
  for (;;) {
    const XmlToken token = tokenizer.NextToken(true);
    if (token.kind == XmlTokenKind::kEnd) break;
    walk.Token(token);
  }
  walk.Finish();
}

}  // namespace tabulox
