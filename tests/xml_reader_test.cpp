#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/block_source.h"
#include "xml/xml_document.h"
#include "xml/xml_text.h"
#include "xml/xml_tokenizer.h"

namespace tabulox {
namespace {

// A compact picture of a tree: name, [attribute lines joined by "|"],
// {text}, (children separated by spaces).
std::string Dump(const XmlNode& item) {
  std::string out(item.Name());
  const XmlAttributes attributes = item.Attributes();
  if (attributes.Count() > 0) {
    out += '[';
    for (int i = 0; i < attributes.Count(); ++i) {
      if (i > 0) out += '|';
      out += attributes.Line(i);
    }
    out += ']';
  }
  if (!item.Text().empty()) {
    out += '{';
    out += item.Text();
    out += '}';
  }
  if (item.ChildCount() > 0) {
    out += '(';
    for (const XmlNode* child = item.FirstChild(); child; child = child->NextSibling()) {
      if (child != item.FirstChild()) out += ' ';
      out += Dump(*child);
    }
    out += ')';
  }
  return out;
}

std::string Load(std::string_view xml) {
  XmlDocument doc;
  LoadWholeDocument(doc, std::string(xml));
  return Dump(doc.Root());
}

struct TreeCase {
  const char* what;
  std::string xml;
  std::string tree;
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.what; }

class XmlTree : public ::testing::TestWithParam<TreeCase> {};

TEST_P(XmlTree, LoadsAsExpected) { EXPECT_EQ(Load(GetParam().xml), GetParam().tree); }

const TreeCase kTreeCases[] = {
    // Structure
    {"cell with value", R"(<c r="A1" t="s"><v>0</v></c>)", "c[r=A1|t=s](v{0})"},
    {"declaration and comment leave the tree alone",
     "<?xml version=\"1.0\"?>\r\n<!-- note --><a><b/></a>", "a(b)"},
    {"declaration compared without case", "<?XmL version=\"1.0\"?><a></a>", "a"},
    {"other processing instruction opens a level", R"(<?mso-application progid="x"?><a/>)",
     R"(?mso-application[progid=x"?](a))"},
    {"end tags are not matched", "<a><b></x><c/></a>", "a(b c)"},
    {"an empty root tag becomes a child of the unnamed root", "<a/><b/>", "(a b)"},
    {"a blank name lets the next start tag fill the item", R"(<><b y="2"><c/></b>)", "b[y=2](c)"},
    {"CDATA is text as it stands", "<a><![CDATA[x<y]>&amp;\r\n]]></a>", "a{x<y]>&amp;\r\n}"},
    {"CDATA joins the text around it", "<a>x <![CDATA[&lt;]]>&lt;<![CDATA[]]></a>", "a{x&lt;<}"},
    {"CDATA after a child is a run of its own", "<a>x<b/><![CDATA[ y ]]></a>", "a{x\r\n y }(b)"},
    {"CDATA is not decoded again at a join", "<a><![CDATA[&amp;]]><b/>y</a>", "a{&amp;\r\ny}(b)"},
    {"CDATA of blanks is text", "<a><![CDATA[ ]]><b/>y</a>", "a{ \r\ny}(b)"},
    {"a CDATA section without its end runs to the end", "<a><![CDATA[x</a>", "a{x</a>}"},
    {"a CDATA section is not a start tag", "<a><![CDATA[<b>]]><c/></a>", "a{<b>}(c)"},
    {"comment ends at its first >", "<a><!-- x > y --></a>", "a{y -->}"},
    {"tag name before a tab is not cut", "<a\tx=\"1\"/>", "(a\tx=\"1\")"},

    // Character data and whitespace
    {"text is trimmed without preservation", "<t> a </t>", "t{a}"},
    {"preservation keeps spaces", R"(<t xml:space="preserve"> a </t>)",
     "t[xml:space=preserve]{ a }"},
    {"preservation never keeps trailing tabs or breaks", "<t xml:space=\"preserve\">a \t\n</t>",
     "t[xml:space=preserve]{a }"},
    {"preservation ends with its element", R"(<si><t xml:space="preserve"> a </t> </si>)",
     "si(t[xml:space=preserve]{ a })"},
    {"preservation holds for descendants",
     R"(<sst xml:space="preserve"><si><r><t>Example</t></r><r><t> richtext</t></r></si></sst>)",
     "sst[xml:space=preserve](si(r(t{Example}) r(t{ richtext})))"},
    {"an element's own xml:space overrides its parent's",
     R"(<a xml:space="preserve"><b xml:space="default"> x </b><c> y </c></a>)",
     "a[xml:space=preserve](b[xml:space=default]{x} c{ y })"},
    {"an empty tag's xml:space ends with it", R"(<p>a<b xml:space="preserve"/> </p>)",
     "p{a}(b[xml:space=preserve])"},
    {"a blank run is replaced by the next run", R"(<p xml:space="preserve">  <b/>x</p>)",
     "p[xml:space=preserve]{x}(b)"},
    {"runs are joined with CR LF", "<p>a<b/>c</p>", "p{a\r\nc}(b)"},
    {"a blank run after text is kept", R"(<p xml:space="preserve">a<b/> </p>)",
     "p[xml:space=preserve]{a\r\n }(b)"},
    {"whitespace-only content is no text", "<p>  \r\n\t </p>", "p"},
    {"CR LF pair removed", "<t>x\r\ny</t>", "t{xy}"},
    {"LF CR pair removed", "<t>x\n\ry</t>", "t{xy}"},
    {"lone LF stays", "<t>x\ny</t>", "t{x\ny}"},
    {"lone CR stays", "<t>x\ry</t>", "t{x\ry}"},
    {"CR LF pairs go before LF CR pairs", "<t>x\r\n\ry\n\r\nz</t>", "t{x\ry\nz}"},
    {"UTF-8 passes through", "<t>\xE6\x97\xA5\xE6\x9C\xAC</t>", "t{\xE6\x97\xA5\xE6\x9C\xAC}"},

    // Entities
    {"one level of decoding", "<t>A &amp;amp; B</t>", "t{A &amp; B}"},
    {"predefined entities and character references",
     "<t>&apos;&#65;&#x41;&#x4eFB;&#20219;&#0065;&lt;&gt;&quot;&amp;</t>",
     "t{'AA\xE4\xBB\xBB\xE4\xBB\xBB" "A<>\"&}"},
    {"one pass: a decoded & starts nothing", "<t>&amp;#65;&amp;apos;&#38;lt;</t>",
     "t{&#65;&apos;&lt;}"},
    {"references to characters XML does not allow stay",
     "<t>&#0;&#x1;&#xD800;&#xDFFF;&#xFFFE;&#x110000;&#99999999999;</t>",
     "t{&#0;&#x1;&#xD800;&#xDFFF;&#xFFFE;&#x110000;&#99999999999;}"},
    {"malformed references stay", "<t>&#;&#x;&#65&#X41;&#x4G;&# 65;&#-1;</t>",
     "t{&#;&#x;&#65&#X41;&#x4G;&# 65;&#-1;}"},
    {"references to breaks and tabs", "<t>a&#13;&#10;b&#x9;</t>", "t{a\r\nb\t}"},
    {"a reference beyond the first plane gives two surrogates", "<t>&#x1F600;&#128512;</t>",
     "t{\xED\xA0\xBD\xED\xB8\x80\xED\xA0\xBD\xED\xB8\x80}"},
    {"entities are case-sensitive", "<t>&LT;&Amp;</t>", "t{&LT;&Amp;}"},
    {"earlier text is decoded again at a join", "<p>&amp;lt;<b/>x</p>", "p{<\r\nx}(b)"},
    {"each join decodes the earlier runs once more",
     "<p>&amp;amp;amp;<b/>&amp;amp;<b/>&amp;quot;</p>", "p{&\r\n&\r\n&quot;}(b b)"},
    {"declared entities stay as written", "<!DOCTYPE z [<!ENTITY a \"b\">]><z>&a;</z>",
     "!DOCTYPE[z|[<!ENTITY|a|\"b\"]{]>}(z{&a;})"},

    // Attributes
    {"quoted spaces do not split", R"(<a x="1 2" y='3 4'/>)", "(a[x=1 2|y='3|4'])"},
    {"a > inside a value ends the tag", R"(<a x="1>2">t</a>)", R"(a[x="1]{2">t})"},
    {"values are decoded", R"(<a x="&lt;&amp;amp;&apos;&#x41;"/>)", "(a[x=<&amp;'A])"},
    {"short values keep their quotes", R"(<a x="" y= z="q"/>)", R"((a[x=""|y=|z=q]))"},
    {"a double space leaves an empty line", R"(<a  x="1"/>)", "(a[|x=1])"},
    {"the last byte never splits", R"(<a x="1" >)", R"(a[x=1" ])"},
    {"a lone LF splits", "<a x=\"1\"\ny=\"2\"/>", "(a[x=1|y=2])"},
    {"a CR LF pair between attributes is removed first", "<a x=\"1\"\r\ny=\"2\"/>",
     R"((a[x=1"y="2]))"},
    {"a line without =", "<a checked x=\"1\"/>", "(a[checked|x=1])"},

    // Malformed input
    {"tag cut off by the end", R"(<a><b x="1")", "a(b[x=1])"},
    {"empty tag cut off by the end", "<a><b/", "a(b)"},
    {"text cut off by the end", "<a>text", "a{text}"},
    {"a zero byte ends the input", std::string("<a>x\0<b/></a>", 13), "a{x}"},
    {"tokens after the document element are ignored", "<r><a/></r><b/>x</y><z>t", "r(a)"},
    {"an end tag first closes the root", "</x><a/>text", ""},
    {"nothing but blanks", " \r\n\t", ""},
    {"lone <", "<", ""},
};

INSTANTIATE_TEST_SUITE_P(Cases, XmlTree, ::testing::ValuesIn(kTreeCases),
                         [](const ::testing::TestParamInfo<TreeCase>& info) {
                           std::string name;
                           for (const char c : std::string(info.param.what)) {
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           }
                           return name;
                         });

TEST(XmlTokenizer, ClassifiesTagsInOrder) {
  EXPECT_EQ(ClassifyTag("?xml version=\"1.0\"?"), XmlTokenKind::kDeclaration);
  EXPECT_EQ(ClassifyTag("?XML-stylesheet/"), XmlTokenKind::kDeclaration);
  EXPECT_EQ(ClassifyTag("!-- x --"), XmlTokenKind::kComment);
  EXPECT_EQ(ClassifyTag("!--/"), XmlTokenKind::kComment);
  EXPECT_EQ(ClassifyTag("a/"), XmlTokenKind::kEmptyTag);
  EXPECT_EQ(ClassifyTag("/"), XmlTokenKind::kEmptyTag);
  EXPECT_EQ(ClassifyTag("/a"), XmlTokenKind::kEndTag);
  EXPECT_EQ(ClassifyTag("!DOCTYPE x"), XmlTokenKind::kStartTag);
  EXPECT_EQ(ClassifyTag(""), XmlTokenKind::kStartTag);
}

TEST(XmlTokenizer, TextEndsAtItsLastSignificantByte) {
  XmlTokenizer tokenizer(" a b \t\n<x>  c  ");
  XmlToken t = tokenizer.NextToken(false);
  EXPECT_EQ(t.kind, XmlTokenKind::kText);
  EXPECT_EQ(t.text, "a b");
  t = tokenizer.NextToken(false);
  EXPECT_EQ(t.kind, XmlTokenKind::kStartTag);
  EXPECT_EQ(t.text, "x");
  t = tokenizer.NextToken(true);
  EXPECT_EQ(t.kind, XmlTokenKind::kText);
  EXPECT_EQ(t.text, "  c  ");
  EXPECT_EQ(tokenizer.NextToken(true).kind, XmlTokenKind::kEnd);
  EXPECT_EQ(tokenizer.NextToken(false).kind, XmlTokenKind::kEnd);
}

TEST(XmlTokenizer, CutOffTagEndsAtTheEnd) {
  XmlTokenizer tokenizer("<a b=\"1");
  const XmlToken t = tokenizer.NextToken(false);
  EXPECT_EQ(t.kind, XmlTokenKind::kStartTag);
  EXPECT_EQ(t.text, "a b=\"1");
  EXPECT_EQ(tokenizer.NextToken(false).kind, XmlTokenKind::kEnd);
}

TEST(XmlText, TagNames) {
  EXPECT_EQ(TagName("x:c r=\"A1\""), "x:c");
  EXPECT_EQ(TagName("br/"), "br");
  EXPECT_EQ(TagName("a"), "a");
  EXPECT_EQ(TagName("a/b c"), "a/b");
}

// The replace-all passes of the predefined entities done literally, to check
// the one-pass form.
// SplitTag is TagName and SplitAttributeLines in one pass.
TEST(XmlText, SplitTagGivesTheNameAndTheLines) {
  const std::string_view tags[] = {
      "", "a", "a/", "/a", "a b", "a/b c", "br/", "x:c r=\"A1\" t=\"s\"", "c r=\"A1\" ",
      "d xml:space=\"preserve\"/", "e a=\"x y\" b", "f a=\"1\"\r\nb=\"2\"\n\rc", " lead",
      "g a=\"&amp;\" =\"q\" ==", "h \"\" \"", "i a= /", "j  a"};
  std::vector<XmlAttributeLine> fused;
  std::vector<XmlAttributeLine> apart;
  for (const std::string_view tag : tags) {
    EXPECT_EQ(SplitTag(tag, fused), TagName(tag)) << tag;
    SplitAttributeLines(tag, apart);
    ASSERT_EQ(fused.size(), apart.size()) << tag;
    for (std::size_t i = 0; i < fused.size(); ++i) {
      EXPECT_EQ(fused[i].name, apart[i].name) << tag;
      EXPECT_EQ(fused[i].value, apart[i].value) << tag;
      EXPECT_EQ(fused[i].hasValue, apart[i].hasValue) << tag;
      EXPECT_EQ(fused[i].valueHasAmpersand, apart[i].valueHasAmpersand) << tag;
    }
  }
  // The lines of one tag, as the rules state them.
  SplitTag("e a=\"x y\" b c=", fused);
  ASSERT_EQ(fused.size(), 3u);
  EXPECT_EQ(fused[0].value, "\"x y\"");
  EXPECT_FALSE(fused[1].hasValue);
  EXPECT_EQ(fused[1].name, "b");
  EXPECT_TRUE(fused[2].hasValue);
  EXPECT_EQ(fused[2].value, "");
}

std::string DecodeLiterally(std::string text, std::size_t times) {
  const std::pair<std::string, std::string> passes[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (std::size_t t = 0; t < times; ++t) {
    for (const auto& [from, to] : passes) {
      std::string out;
      std::size_t pos = 0;
      for (std::size_t hit; (hit = text.find(from, pos)) != std::string::npos;
           pos = hit + from.size()) {
        out.append(text, pos, hit - pos);
        out += to;
      }
      out.append(text, pos);
      text = out;
    }
  }
  return text;
}

TEST(XmlText, RepeatedDecodingMatchesReplacePasses) {
  const std::string alphabet[] = {"&",  "amp;", "lt;", "gt;", "quot;", "apos;",
                                  "a",  ";",    "x",   "q",   "&amp;"};
  std::mt19937 random(20261209);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int pieces = static_cast<int>(random() % 12);
    for (int i = 0; i < pieces; ++i) text += alphabet[random() % std::size(alphabet)];
    const std::size_t times = 1 + random() % 5;
    std::string decoded;
    AppendDecodedEntities(text, times, decoded);
    ASSERT_EQ(decoded, DecodeLiterally(text, times)) << text << " x" << times;
    EXPECT_EQ(HasEntity(text), DecodeLiterally(text, 1) != text) << text;
  }
}

TEST(XmlAttributes, LookupsIgnoreCase) {
  XmlDocument doc;
  LoadWholeDocument(doc, R"(<c R="B2" T="S" flag x:Space="Preserve"/>)");
  const XmlNode* c = doc.Root().FirstChild();
  ASSERT_NE(c, nullptr);
  const XmlAttributes attributes = c->Attributes();
  EXPECT_EQ(attributes.IndexOfName("r"), 0);
  EXPECT_EQ(attributes.Attribute("r"), "B2");
  EXPECT_EQ(attributes.IndexOfLine("t=s"), 1);
  EXPECT_EQ(attributes.IndexOfLine("t=str"), -1);
  EXPECT_EQ(attributes.IndexOfLine("FLAG"), 2);
  EXPECT_EQ(attributes.IndexOfName("flag"), -1);  // a line without "=" has no name
  EXPECT_EQ(attributes.IndexOfLine("x:space=preserve"), 3);
  EXPECT_EQ(attributes.Attribute("missing"), "");
}

TEST(XmlNode, ChildLooksUpWithoutRegardToCase) {
  XmlDocument doc;
  LoadWholeDocument(doc, "<w><a/><Dimension ref=\"A1\"/><b/><a/></w>");
  XmlNode& root = doc.Root();
  ASSERT_NE(root.Child("dimension"), nullptr);
  EXPECT_EQ(root.Child("dimension")->Attributes().Attribute("ref"), "A1");
  EXPECT_EQ(root.Child("A"), root.FirstChild());
  EXPECT_EQ(root.Child("sheetData"), nullptr);
  EXPECT_EQ(root.ChildCount(), 4);  // a lookup of a missing child leaves the tree as it was
}

TEST(XmlDocument, ClearEmptiesTheRoot) {
  XmlDocument doc;
  LoadWholeDocument(doc, R"(<a x="1">t<b/></a>)");
  doc.Clear();
  EXPECT_EQ(Dump(doc.Root()), "");
  EXPECT_EQ(doc.Root().Attributes().Count(), 0);
  LoadWholeDocument(doc, "<c/>");
  EXPECT_EQ(Dump(doc.Root()), "(c)");
}

std::size_t DeepestLevel(const XmlNode& root, const XmlNode** deepest) {
  std::size_t level = 1;
  const XmlNode* item = &root;
  while (item->FirstChild() != nullptr) {
    item = item->FirstChild();
    ++level;
  }
  *deepest = item;
  return level;
}

std::string Nested(std::size_t levels, std::string_view inside) {
  std::string xml;
  for (std::size_t i = 0; i < levels; ++i) xml += "<d>";
  xml += inside;
  for (std::size_t i = 0; i < levels; ++i) xml += "</d>";
  return xml;
}

TEST(XmlDocument, NestingUpToTheLimitIsKept) {
  XmlDocument doc;
  LoadWholeDocument(doc, Nested(XmlDocument::kMaxDepth, "x"));
  const XmlNode* deepest = nullptr;
  EXPECT_EQ(DeepestLevel(doc.Root(), &deepest), XmlDocument::kMaxDepth);
  EXPECT_EQ(deepest->Text(), "x");
}

TEST(XmlDocument, NestingBeyondTheLimitIsSkipped) {
  // Two levels too deep, their text with them; after they close, the tree
  // goes on where it was.
  std::string xml;
  for (std::size_t i = 0; i < XmlDocument::kMaxDepth + 2; ++i) xml += "<d>";
  xml += "x<e/></d></d></d><f/>";
  XmlDocument doc;
  LoadWholeDocument(doc, xml);
  const XmlNode* deepest = nullptr;
  EXPECT_EQ(DeepestLevel(doc.Root(), &deepest), XmlDocument::kMaxDepth);
  EXPECT_EQ(deepest->Text(), "");
  EXPECT_EQ(deepest->ChildCount(), 0);
  const XmlNode* parent = deepest->Parent();
  ASSERT_EQ(parent->ChildCount(), 2);
  EXPECT_EQ(parent->FirstChild()->NextSibling()->Name(), "f");
}

TEST(XmlDocument, ManyRunsWithEntityChainsStayLinear) {
  // Every join decodes the earlier text once more; a long "&amp;" chain
  // followed by many runs must neither take quadratic time nor go wrong.
  const std::size_t links = 20000;
  std::string xml = "<p>&";
  for (std::size_t i = 0; i < links; ++i) xml += "amp;";
  for (std::size_t i = 0; i < links / 2; ++i) xml += "<b/>y";
  xml += "</p>";
  XmlDocument doc;
  LoadWholeDocument(doc, xml);
  const std::string_view text = doc.Root().Text();
  // The chain was decoded links / 2 + 1 times.
  std::string expected = "&";
  for (std::size_t i = 0; i < links - (links / 2 + 1); ++i) expected += "amp;";
  ASSERT_GT(text.size(), expected.size());
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  EXPECT_EQ(text.substr(expected.size(), 3), "\r\ny");
  EXPECT_EQ(doc.Root().ChildCount(), static_cast<int>(links / 2));
}

// ------------------------------------------------- reading block by block

// Random documents from the bytes that matter to the reader, with tags of the
// names a worksheet uses.
std::string RandomXml(std::mt19937& random) {
  static const char* const pieces[] = {
      "<", ">", "/", "</a>", "<a>", "<b x=\"1\">", "<c/>", "<b/>", " ", "\r\n", "\n\r", "\t",
      "t", "&amp;", "&lt;", "&amp;amp;lt;", "\"", "=", "<!-- c -->", "<?xml v?>",
      "<d xml:space=\"preserve\">", "</d>", "  x  ", "<", "< >", "</b>", "</c>",
      "<![CDATA[", "]]>", "<![CDATA[ & ]]>", "]", "&#65;", "&#x1F600;", "\xF0\x9F\x98\x80", "\xF0"};
  std::string xml;
  for (int n = static_cast<int>(random() % 40); n > 0; --n) {
    xml += pieces[random() % std::size(pieces)];
    if (random() % 200 == 0) xml += '\0';
  }
  return xml;
}

TEST(XmlTokenizer, BlocksGiveTheTokensOfTheWholeInput) {
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    const std::string xml = RandomXml(random);
    XmlTokenizer whole(xml);
    XmlTokenizer blocks(testing::RandomBlocks(xml, static_cast<unsigned>(round)), SIZE_MAX);
    for (int i = 0;; ++i) {
      const bool preserve = i % 3 == 0;
      const XmlToken expected = whole.NextToken(preserve);
      const XmlToken got = blocks.NextToken(preserve);
      ASSERT_EQ(got.kind, expected.kind) << xml;
      ASSERT_EQ(got.text, expected.text) << xml;
      if (expected.kind == XmlTokenKind::kEnd) break;
    }
  }
}

// The tokens of the input read one byte at a time, the way the tokenizer's
// rules state them (no zero bytes, the whole input at once).
std::vector<std::pair<XmlTokenKind, std::string>> BytewiseTokens(const std::string& xml,
                                                                  bool preserve) {
  std::vector<std::pair<XmlTokenKind, std::string>> tokens;
  std::size_t pos = 0;
  for (;;) {
    while (pos < xml.size() && (static_cast<unsigned char>(xml[pos]) < 0x20 ||
                                (xml[pos] == ' ' && !preserve)))
      ++pos;
    if (pos == xml.size()) return tokens;
    const char wanted = xml[pos] == '<' ? '>' : '<';
    std::size_t end = xml[pos] == '<' ? pos + 1 : pos;
    while (end < xml.size() && xml[end] != wanted) ++end;
    if (xml[pos] == '<') {
      const std::string inner = xml.substr(pos + 1, end - pos - 1);
      tokens.emplace_back(ClassifyTag(inner), inner);
      pos = std::min(end + 1, xml.size());
    } else {
      std::size_t last = end;
      while (static_cast<unsigned char>(xml[last - 1]) < (preserve ? 0x20 : 0x21)) --last;
      tokens.emplace_back(XmlTokenKind::kText, xml.substr(pos, last - pos));
      pos = last;
    }
  }
}

// Tags and texts of every length up to a few words, so that their ends fall
// on every byte of the words the tokenizer reads at once, with bytes near "<"
// and ">" in value ("=", "?", high bytes) around them.
TEST(XmlTokenizer, TokensEndOnEveryByteOfAWord) {
  const std::string fillers[] = {"a", "?=", "\xBE\xBF\xC3\xA9", "\x3D\x3F\x7E ", "\x01\x80"};
  for (const std::string& filler : fillers) {
    for (std::size_t length = 0; length <= 40; ++length) {
      std::string run;
      for (std::size_t i = 0; i < length; ++i) run += filler[i % filler.size()];
      for (std::size_t lead = 0; lead < 9; ++lead) {
        const std::string xml = std::string(lead, ' ') + "<" + run + "><" + run.substr(length / 2) +
                                ">" + run + "x</" + run + ">" + run;
        for (const bool preserve : {false, true}) {
          XmlTokenizer whole(xml);
          XmlTokenizer blocks(testing::RandomBlocks(xml, static_cast<unsigned>(length), 20),
                                    SIZE_MAX);
          for (const auto& [kind, text] : BytewiseTokens(xml, preserve)) {
            const XmlToken fromWhole = whole.NextToken(preserve);
            ASSERT_EQ(fromWhole.kind, kind) << xml;
            ASSERT_EQ(fromWhole.text, text) << xml;
            const XmlToken fromBlocks = blocks.NextToken(preserve);
            ASSERT_EQ(fromBlocks.kind, kind) << xml;
            ASSERT_EQ(fromBlocks.text, text) << xml;
          }
          EXPECT_EQ(whole.NextToken(preserve).kind, XmlTokenKind::kEnd) << xml;
          EXPECT_EQ(blocks.NextToken(preserve).kind, XmlTokenKind::kEnd) << xml;
        }
      }
    }
  }
}

TEST(XmlTokenizer, BlocksStopAtTheByteLimit) {
  XmlTokenizer tokenizer(testing::RandomBlocks("<a>text<b/>", 1), 6);
  EXPECT_EQ(tokenizer.NextToken(false).text, "a");
  EXPECT_EQ(tokenizer.NextToken(false).text, "tex");
  EXPECT_EQ(tokenizer.NextToken(false).kind, XmlTokenKind::kEnd);
}

// Keeps every child, or hands over the children of the root and collects
// their pictures.
class CollectingSink : public XmlChildSink {
 public:
  explicit CollectingSink(bool handOverRootChildren) : handOver_(handOverRootChildren) {}
  bool HandsOverChildren(const XmlNode& item) override {
    return handOver_ && item.Parent() == nullptr;
  }
  void TakeChild(const XmlNode& child) override { children += ' ' + Dump(child); }
  std::string children;

 private:
  bool handOver_;
};

TEST(XmlDocument, BlocksBuildTheTreeOfTheWholeInput) {
  std::mt19937 random(5);
  XmlDocument whole;
  XmlDocument blocks;
  for (int round = 0; round < 3000; ++round) {
    const std::string xml = RandomXml(random);
    LoadWholeDocument(whole, xml);
    CollectingSink keep(false);
    blocks.LoadFromSource(testing::RandomBlocks(xml, static_cast<unsigned>(round)), keep);
    ASSERT_EQ(Dump(blocks.Root()), Dump(whole.Root())) << xml;
    EXPECT_TRUE(keep.children.empty());

    // Handed over, the root's children arrive in order and are not kept.
    std::string expected;
    for (const XmlNode* child = whole.Root().FirstChild(); child; child = child->NextSibling())
      expected += ' ' + Dump(*child);
    CollectingSink handOver(true);
    blocks.LoadFromSource(testing::RandomBlocks(xml, static_cast<unsigned>(round)), handOver);
    ASSERT_EQ(handOver.children, expected) << xml;
    EXPECT_EQ(blocks.Root().ChildCount(), 0);
  }
}

TEST(XmlDocument, HandedOverChildrenGiveTheirStorageBack) {
  std::string xml = "<sst>";
  for (int i = 0; i < 20000; ++i) xml += "<si><t>string number " + std::to_string(i) + "</t></si>";
  xml += "</sst>";
  XmlDocument document;
  CollectingSink sink(true);
  document.LoadFromSource(testing::RandomBlocks(xml, 1, 4096), sink);
  EXPECT_LT(document.StorageBytes(), 64u * 1024);
  LoadWholeDocument(document, xml);
  EXPECT_GT(document.StorageBytes(), 1024u * 1024);
}

}  // namespace
}  // namespace tabulox
