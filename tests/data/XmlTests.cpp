#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "data/Xml.h"
#include "tests/data/CallHelpers.h"

namespace ulka {
namespace {

using test::Call;
using test::Get;
using test::Text;
using test::W;

Ref<TXml> Parsed(const char* xml) {
  Ref<TXml> doc = MakeRef<TXml>();
  EXPECT_TRUE(doc->LoadXML(Wide(xml))) << xml;
  return doc;
}

struct TempDir {
  std::filesystem::path path;
  TempDir() {
    char pattern[] = "/tmp/ulka-xml-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  WideString File(const char* name) const { return Wide((path / name).string()); }
  std::string Read(const char* name) const {
    std::ifstream in(path / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  }
};

std::string BillionLaughs() {
  std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol0 \"lol\">";
  for (int i = 1; i <= 9; ++i) {
    xml += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < 10; ++j) xml += "&lol" + std::to_string(i - 1) + ";";
    xml += "\">";
  }
  return xml + "]><lolz>&lol9;</lolz>";
}

TEST(Xml, CreateXMLMakesAnEmptyRootThatSavesAsUtf8) {
  TempDir dir;
  Ref<TXml> doc = MakeRef<TXml>();
  doc->CreateXML(u"settings");
  EXPECT_EQ(doc->GetRoot()->GetTag(), u"settings");
  EXPECT_EQ(doc->GetRoot()->GetLength(), 0);
  EXPECT_NE(Utf8(doc->GetXml()).find("<settings/>"), std::string::npos);
  doc->Save(dir.File("deep/er/s.xml"));
  const std::string saved = dir.Read("deep/er/s.xml");
  EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0), 0u) << saved;
}

TEST(Xml, CreateXMLTakesAttributesWithTheTag) {
  Ref<TXml> doc = MakeRef<TXml>();
  doc->CreateXML(u"settings a=\"1\"");
  EXPECT_EQ(Text(doc->GetRoot()->GetAttr(u"a")), "1");
  EXPECT_TRUE(doc->GetRoot()->GetAttr(u"b").IsNull());
}

TEST(Xml, NewDocumentAndFailedParsesHaveNoRoot) {
  Ref<TXml> doc = MakeRef<TXml>();
  EXPECT_EQ(doc->GetRoot()->Node(), nullptr);
  EXPECT_EQ(doc->GetXml(), u"");
  doc->CreateXML(u"a");
  for (const char* bad : {"", "<a>", "<a></b>", "text", "<a/><b/>"}) {
    EXPECT_FALSE(doc->LoadXML(Wide(bad))) << bad;
    EXPECT_EQ(doc->GetRoot()->Node(), nullptr);
  }
}

TEST(Xml, ElementWithoutElementAnswersEmptyValues) {
  Ref<TXmlElement> none = MakeRef<TXml>()->GetRoot();
  EXPECT_FALSE(none->Add(u"x"));
  EXPECT_FALSE(none->GetItem(Variant(int32_t{0})));
  EXPECT_FALSE(none->Select(u"*"));
  EXPECT_TRUE(none->GetAttr(u"a").IsEmpty());
  EXPECT_EQ(none->GetText(), u"");
  EXPECT_EQ(none->GetTag(), u"");
  EXPECT_EQ(none->GetXml(), u"");
  EXPECT_EQ(none->GetLength(), 0);
  EXPECT_EQ(none->IndexOf(u"x"), -1);
  EXPECT_FALSE(none->Exist(u"x"));
  none->Remove(u"x");
  none->RemoveAll();
  none->SetText(u"x");
}

TEST(Xml, ItemByNameGetsOrCreatesTheChild) {
  Ref<TXml> doc = Parsed("<settings/>");
  Ref<TXmlElement> root = doc->GetRoot();
  Ref<TXmlElement> first = root->GetItem(W("window"));
  Ref<TXmlElement> second = root->GetItem(W("window"));
  EXPECT_EQ(first.get(), second.get());  // one element, one object
  EXPECT_EQ(first->Node(), second->Node());
  EXPECT_EQ(root->GetLength(), 1);
  EXPECT_EQ(root->GetItem(Variant(int32_t{0}))->Node(), first->Node());
  EXPECT_EQ(root->GetItem(Variant(int32_t{1}))->Node(), nullptr);  // past the end: no element

  test::CallResult bad = Call(root.get(), u"Item", DISPATCH_PROPERTYGET, {W("not a name")});
  EXPECT_EQ(bad.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(root->GetLength(), 1);
}

TEST(Xml, NodesThatAreNoElementsCannotBeWrapped) {
  Ref<TXmlElement> root = Parsed("<r>text<!--c--><a k=\"v\"/></r>")->GetRoot();
  EXPECT_EQ(root->IndexOf(u"#text"), 0);
  EXPECT_EQ(root->IndexOf(u"#comment"), 1);
  EXPECT_EQ(root->Tags(1), u"#comment");
  EXPECT_EQ(root->Tags(9), u"");
  for (Variant index : {Variant(int32_t{0}), W("text()"), W("a/@k")}) {
    test::CallResult r = Call(root.get(), u"Item", DISPATCH_PROPERTYGET, {index});
    EXPECT_EQ(r.message, "Interface not supported");
  }
  Ref<TXmlElementList> attrs = root->Select(u"a/@k");
  EXPECT_EQ(attrs->GetLength(), 1);
  EXPECT_EQ(Call(attrs.get(), u"Item", DISPATCH_PROPERTYGET, {Variant(int32_t{0})}).message,
            "Interface not supported");
  EXPECT_EQ(root->Select(u"namespace::*")->GetLength(), 1);  // the xml namespace
}

TEST(Xml, IndexOfIsCaseSensitive) {
  Ref<TXmlElement> root = Parsed("<r><window/></r>")->GetRoot();
  EXPECT_EQ(root->IndexOf(u"window"), 0);
  EXPECT_EQ(root->IndexOf(u"Window"), -1);
}

TEST(Xml, RemoveAllTakesEveryKindOfChild) {
  Ref<TXmlElement> root = Parsed("<r>t<!--c--><a/><![CDATA[x]]></r>")->GetRoot();
  EXPECT_EQ(root->GetLength(), 4);
  root->RemoveAll();
  EXPECT_EQ(root->GetLength(), 0);
  EXPECT_EQ(root->GetXml(), u"<r/>");
}

TEST(Xml, RemoveAndRemoveAt) {
  Ref<TXmlElement> root = Parsed("<r><a/><b><c/></b><a/></r>")->GetRoot();
  root->Remove(u"a");
  EXPECT_EQ(root->GetXml(), u"<r><b><c/></b><a/></r>");
  root->Remove(u"zzz");
  EXPECT_EQ(Call(root.get(), u"Remove", DISPATCH_METHOD, {W("b/c")}).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Call(root.get(), u"RemoveAt", DISPATCH_METHOD, {Variant(int32_t{2})}).hr, DISP_E_EXCEPTION);
  root->RemoveAt(1);
  EXPECT_EQ(root->GetXml(), u"<r><b><c/></b></r>");
}

TEST(Xml, WrappersOutliveRemovalAndReload) {
  Ref<TXml> doc = Parsed("<r><a><b>old</b></a></r>");
  Ref<TXmlElement> a = doc->GetRoot()->GetItem(W("a"));
  Ref<TXmlElement> b = a->GetItem(W("b"));
  doc->GetRoot()->SetText(u"replaced");  // a leaves the tree
  EXPECT_EQ(doc->GetRoot()->GetXml(), u"<r>replaced</r>");
  a->SetText(u"new");  // b leaves a
  EXPECT_EQ(b->GetText(), u"old");
  b->Add(u"c");
  EXPECT_TRUE(doc->LoadXML(u"<other/>"));
  EXPECT_EQ(a->GetXml(), u"<a>new</a>");
  EXPECT_EQ(b->GetXml(), u"<b>old<c/></b>");
  doc = nullptr;
  EXPECT_EQ(a->GetTag(), u"a");
}

TEST(Xml, AttributesAreTextOrNull) {
  Ref<TXmlElement> root = Parsed("<r xmlns:p=\"urn:p\" p:k=\"pv\" k=\"v\"/>")->GetRoot();
  EXPECT_EQ(Text(root->GetAttr(u"k")), "v");
  EXPECT_EQ(Text(root->GetAttr(u"p:k")), "pv");
  EXPECT_TRUE(root->GetAttr(u"missing").IsNull());
  test::Put(root.get(), u"Attr", {W("n"), Variant(int32_t{5})});
  test::Put(root.get(), u"Attr", {W("k"), W("<&\">")});
  test::Put(root.get(), u"Attr", {W("p:k"), Variant(true)});
  EXPECT_EQ(Text(root->GetAttr(u"n")), "5");
  EXPECT_EQ(Text(root->GetAttr(u"k")), "<&\">");
  EXPECT_EQ(Call(root.get(), u"Attr", DISPATCH_PROPERTYPUT, {W("1x"), W("v")}).hr, DISP_E_EXCEPTION);
  Ref<TXml> again = Parsed(Utf8(root->GetXml()).c_str());
  EXPECT_EQ(Text(again->GetRoot()->GetAttr(u"k")), "<&\">");
}

TEST(Xml, TextIsTakenLiterally) {
  Ref<TXmlElement> root = Parsed("<r><a>x<b>y</b></a></r>")->GetRoot();
  EXPECT_EQ(root->GetText(), u"xy");
  root->SetText(u"&amp; <b>");
  EXPECT_EQ(root->GetText(), u"&amp; <b>");
  EXPECT_EQ(root->GetLength(), 1);
  EXPECT_EQ(root->GetXml(), u"<r>&amp;amp; &lt;b&gt;</r>");
}

TEST(Xml, ChildElementsAreExpandoMembers) {
  Ref<TXml> doc = Parsed("<settings><height>5</height></settings>");
  Ref<TXmlElement> root = doc->GetRoot();
  IDispatchEx* ex = root->DispatchEx();
  DISPID id;
  EXPECT_EQ(ex->GetDispID(u"width", 0, id), DISP_E_UNKNOWNNAME);
  ASSERT_EQ(ex->GetDispID(u"width", fdexNameEnsure, id), S_OK);
  EXPECT_EQ(id, DISPID_EXPANDO_BASE + 1);
  NamedArg put{DISPID_PROPERTYPUT, Variant(int32_t{800})};
  DispParams params{{}, std::span<NamedArg>(&put, 1)};
  ASSERT_EQ(ex->InvokeEx(id, DISPATCH_PROPERTYPUT, params, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(root->GetXml(), u"<settings><height>5</height><width>800</width></settings>");

  ASSERT_EQ(ex->GetDispID(u"height", 0, id), S_OK);
  EXPECT_EQ(id, DISPID_EXPANDO_BASE);
  Variant value;
  DispParams none{};
  ASSERT_EQ(ex->InvokeEx(id, DISPATCH_PROPERTYGET, none, &value, nullptr, nullptr), S_OK);
  TXmlElement* height = VarToObject<TXmlElement>(value);
  ASSERT_NE(height, nullptr);
  EXPECT_EQ(height->GetText(), u"5");

  ASSERT_EQ(ex->GetDispID(u"text", 0, id), S_OK);  // the member table wins
  EXPECT_EQ(id, 210);
  EXPECT_EQ(ex->GetDispID(u"no name", fdexNameEnsure, id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(root->GetLength(), 2);
}

TEST(Xml, ExpandoCreationWithAValueWritesItsText) {
  Ref<TXmlElement> root = Parsed("<s/>")->GetRoot();
  EXPECT_EQ(root->AddMember(u"a", Variant(int32_t{3})), 0);
  EXPECT_EQ(root->AddMember(u"b", Variant()), 1);
  EXPECT_EQ(root->GetXml(), u"<s><a>3</a><b/></s>");
  root->SetMember(1, Variant(2.5));
  EXPECT_EQ(root->GetXml(), u"<s><a>3</a><b>2.5</b></s>");
}

TEST(Xml, LoadOfAMissingFileCreatesTheTag) {
  TempDir dir;
  Ref<TXml> doc = Parsed("<keep/>");
  EXPECT_FALSE(doc->Load(dir.File("missing.xml"), u""));
  EXPECT_EQ(doc->GetRoot()->GetTag(), u"keep");
  EXPECT_FALSE(doc->Load(dir.File("missing.xml"), u"root"));
  EXPECT_EQ(doc->GetRoot()->GetTag(), u"root");
  std::ofstream(dir.path / "bad.xml") << "<a>";
  EXPECT_FALSE(doc->Load(dir.File("bad.xml"), u""));
  EXPECT_EQ(doc->GetRoot()->Node(), nullptr);
  EXPECT_FALSE(doc->Load(Wide(dir.path.string()), u"folder"));  // a folder is no file
  EXPECT_EQ(doc->GetRoot()->GetTag(), u"folder");
}

TEST(Xml, SaveAndLoadKeepTheDeclaredEncoding) {
  TempDir dir;
  Ref<TXml> doc = Parsed("<?xml version=\"1.0\" encoding=\"windows-1251\"?><r>Привет</r>");
  doc->Save(dir.File("cp.xml"));
  const std::string saved = dir.Read("cp.xml");
  EXPECT_NE(saved.find("encoding=\"windows-1251\""), std::string::npos) << saved;
  EXPECT_NE(saved.find("\xCF\xF0\xE8\xE2\xE5\xF2"), std::string::npos) << saved;
  Ref<TXml> back = MakeRef<TXml>();
  EXPECT_TRUE(back->Load(dir.File("cp.xml"), u""));
  EXPECT_EQ(back->GetRoot()->GetText(), Wide("Привет"));
  back->GetRoot()->GetItem(W("window"))->SetAttr(u"w", Variant(int32_t{800}));
  back->Save(dir.File("cp.xml"));
  Ref<TXml> third = MakeRef<TXml>();
  EXPECT_TRUE(third->Load(dir.File("cp.xml"), u""));
  EXPECT_EQ(Text(third->GetRoot()->GetItem(W("window"))->GetAttr(u"w")), "800");
  EXPECT_EQ(third->GetRoot()->GetText(), Wide("Привет"));
}

TEST(Xml, SaveInUtf16ReadsBack) {
  TempDir dir;
  Parsed("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>Привет</r>")->Save(dir.File("u16.xml"));
  EXPECT_EQ(dir.Read("u16.xml").substr(0, 4), std::string("\xFF\xFE<\0", 4));
  Ref<TXml> back = MakeRef<TXml>();
  EXPECT_TRUE(back->Load(dir.File("u16.xml"), u""));
  EXPECT_EQ(back->GetRoot()->GetText(), Wide("Привет"));
}

TEST(Xml, SaveThatCannotWriteFailsAndKeepsTheFile) {
  TempDir dir;
  std::ofstream(dir.path / "plain") << "x";
  Ref<TXml> doc = Parsed("<r/>");
  test::CallResult r = Call(doc.get(), u"Save", DISPATCH_METHOD, {Variant(dir.File("plain/x.xml"))});
  EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
  EXPECT_NE(r.message.find("Cannot save"), std::string::npos);

  // Text from a script is parsed whatever its declaration names; an encoding that cannot be
  // written fails the save before the file is touched.
  Ref<TXml> odd = Parsed("<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><r/>");
  r = Call(odd.get(), u"Save", DISPATCH_METHOD, {Variant(dir.File("plain"))});
  EXPECT_NE(r.message.find("Cannot save"), std::string::npos);
  EXPECT_EQ(dir.Read("plain"), "x");
}

// What would not load again is not saved: the save fails and the file stays as it was. A name
// the declared encoding cannot write would become a character reference, a namespace name with
// "<" would be written unescaped, a tree deeper than the parser reads would be written whole.
TEST(Xml, SaveOfWhatWouldNotLoadAgainFailsAndKeepsTheFile) {
  TempDir dir;
  std::ofstream(dir.path / "kept.xml") << "x";
  Ref<TXml> latin = Parsed("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>caf\xc3\xa9</r>");
  latin->Save(dir.File("latin.xml"));  // text the encoding lacks is fine: it becomes a reference
  EXPECT_TRUE(MakeRef<TXml>()->Load(dir.File("latin.xml"), u""));
  latin->GetRoot()->Add(u"\u65e5\u672c");
  Ref<TXml> deep = MakeRef<TXml>();
  deep->CreateXML(u"r");
  Ref<TXmlElement> element = deep->GetRoot();
  for (int i = 0; i < 300; ++i) element = element->Add(u"a");
  Ref<TXml> odd = Parsed("<r xmlns:b=\"&lt;b\"><b:i/></r>");
  for (TXml* doc : {latin.get(), odd.get(), deep.get()}) {
    test::CallResult r = Call(doc, u"Save", DISPATCH_METHOD, {Variant(dir.File("kept.xml"))});
    EXPECT_NE(r.message.find("Cannot save"), std::string::npos) << Utf8(doc->GetXml());
    EXPECT_EQ(dir.Read("kept.xml"), "x");
  }
}

// Only "<?xml" and a blank starts the declaration; "<?xml-stylesheet" names no encoding.
TEST(Xml, ProcessingInstructionsAreNoDeclaration) {
  TempDir dir;
  Ref<TXml> doc = Parsed("<?xml-stylesheet href=\"a\" encoding=\"windows-1252\"?><r>\xc3\xa9</r>");
  doc->Save(dir.File("s.xml"));
  EXPECT_NE(dir.Read("s.xml").find("<r>\xc3\xa9</r>"), std::string::npos) << dir.Read("s.xml");
}

// One large entity referenced many times: small on disk, gigabytes as text.
std::string QuadraticBlowup(size_t entitySize, int references) {
  std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"" + std::string(entitySize, 'a') + "\">]><r>";
  for (int i = 0; i < references; ++i) xml += "&e;";
  return xml + "</r>";
}

TEST(Xml, DocumentsWhoseEntitiesExpandTooFarAreRefused) {
  TempDir dir;
  const std::string blowup = QuadraticBlowup(100000, 20000);  // 160 KB standing for 2 GB
  ASSERT_LT(blowup.size(), 170000u);
  std::ofstream(dir.path / "blowup.xml") << blowup;
  // Attribute values may reference entities too.
  std::string inAttributes = "<!DOCTYPE r [<!ENTITY e \"" + std::string(100000, 'a') + "\">]><r>";
  for (int i = 0; i < 200; ++i) inAttributes += "<i v=\"&e;&e;&e;&e;&e;\"/>";
  inAttributes += "</r>";
  // Entities inside entities: each level multiplies (not as far as libxml2's own check).
  std::string nested = "<!DOCTYPE r [<!ENTITY a0 \"" + std::string(1000, 'x') + "\">";
  for (int i = 1; i <= 3; ++i) {
    nested += "<!ENTITY a" + std::to_string(i) + " \"";
    for (int j = 0; j < 20; ++j) nested += "&a" + std::to_string(i - 1) + ";";
    nested += "\">";
  }
  nested += "]><r>&a3;&a3;</r>";
  const struct {
    const char* what;
    std::string xml;
  } refused[] = {{"billion laughs", BillionLaughs()},
                 {"quadratic", blowup},
                 {"attributes", inAttributes},
                 {"nested", nested}};
  for (const auto& c : refused) {
    Ref<TXml> doc = MakeRef<TXml>();
    EXPECT_FALSE(doc->LoadXML(Wide(c.xml))) << c.what;
    EXPECT_EQ(doc->GetRoot()->Node(), nullptr) << c.what;
  }
  // From a file as from text; a refused file counts as broken, so the tag makes a new document.
  Ref<TXml> doc = MakeRef<TXml>();
  EXPECT_FALSE(doc->Load(dir.File("blowup.xml"), u""));
  EXPECT_FALSE(doc->Load(dir.File("blowup.xml"), u"fresh"));
  EXPECT_EQ(doc->GetRoot()->GetTag(), u"fresh");
}

TEST(Xml, EntitiesThatExpandModeratelyLoadAndReadInFull) {
  Ref<TXml> doc = MakeRef<TXml>();
  EXPECT_TRUE(doc->LoadXML(u"<!DOCTYPE a [<!ENTITY e \"hello\">]><a>x&e;</a>"));
  EXPECT_EQ(doc->GetRoot()->GetText(), u"xhello");
  // 1 KB referenced 500 times: half a megabyte, under the floor every document gets.
  EXPECT_TRUE(doc->LoadXML(Wide(QuadraticBlowup(1000, 500))));
  EXPECT_EQ(doc->GetRoot()->GetText().size(), 500000u);
  EXPECT_NE(Utf8(doc->GetXml()).find("&e;&e;"), std::string::npos);  // saved as references
}

// A document's declarations never make the loader read a file: not an external entity, not an
// external DTD, not an external parameter entity. Pipes stand in for the files, so a read would
// hang the test instead of passing it.
TEST(Xml, ExternalEntitiesAndDtdsAreNotRead) {
  TempDir dir;
  std::ofstream(dir.path / "secret.txt") << "SECRET";
  std::ofstream(dir.path / "secret.dtd") << "<!ENTITY s \"SECRET\"><!ATTLIST a d CDATA \"SECRET\">";
  ASSERT_EQ(mkfifo((dir.path / "pipe").c_str(), 0600), 0);
  const std::string secret = "file://" + (dir.path / "secret.txt").string();
  const std::string dtd = (dir.path / "secret.dtd").string();
  const std::string pipe = (dir.path / "pipe").string();
  const std::string cases[] = {
      "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + secret + "\">]><a>&x;</a>",
      "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + secret + "\">]><a v=\"&x;\">t</a>",
      "<!DOCTYPE a SYSTEM \"" + dtd + "\"><a>&s;</a>",
      "<!DOCTYPE a [<!ENTITY % p SYSTEM \"" + dtd + "\"> %p;]><a>&s;</a>",
      "<!DOCTYPE a [<!ENTITY x SYSTEM \"" + pipe + "\">]><a>&x;</a>",
      "<!DOCTYPE a SYSTEM \"" + pipe + "\"><a/>",
      "<!DOCTYPE a [<!ENTITY % p SYSTEM \"" + pipe + "\"> %p;]><a/>",
  };
  for (const std::string& xml : cases) {
    Ref<TXml> doc = MakeRef<TXml>();
    if (!doc->LoadXML(Wide(xml))) continue;
    Ref<TXmlElement> root = doc->GetRoot();
    EXPECT_EQ(Utf8(root->GetText()).find("SECRET"), std::string::npos) << xml;
    EXPECT_EQ(Utf8(doc->GetXml()).find("SECRET"), std::string::npos) << xml;
    EXPECT_EQ(Utf8(XmlValueText(root->GetAttr(u"v"))).find("SECRET"), std::string::npos) << xml;
    EXPECT_TRUE(root->GetAttr(u"d").IsNull()) << xml;
  }
}

TEST(Xml, SelectAnswersAListOfElements) {
  Ref<TXmlElement> root = Parsed("<r><i n=\"1\"/><x/><i n=\"2\"><i n=\"3\"/></i></r>")->GetRoot();
  Ref<TXmlElementList> list = root->Select(u"i");
  ASSERT_EQ(list->GetLength(), 2);
  EXPECT_EQ(Text(list->GetItem(1)->GetAttr(u"n")), "2");
  EXPECT_EQ(list->GetItem(2)->Node(), nullptr);
  EXPECT_EQ(list->GetItem(-1)->Node(), nullptr);
  EXPECT_EQ(root->Select(u".//i")->GetLength(), 3);
  EXPECT_TRUE(root->Exist(u"i[@n='2']/i"));
  EXPECT_FALSE(root->Exist(u"y"));
  for (const char* bad : {"i[", "count(i)", ""}) {
    test::CallResult r = Call(root.get(), u"Select", DISPATCH_METHOD, {W(bad)});
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION) << bad;
    EXPECT_NE(r.message.find("Invalid XPath query"), std::string::npos);
  }
}

TEST(Xml, BlankTextBetweenElementsIsDropped) {
  Ref<TXmlElement> root = Parsed("<r>\n  <a/>\n  <b>keep me </b>\n</r>")->GetRoot();
  EXPECT_EQ(root->GetLength(), 2);
  EXPECT_EQ(root->GetItem(Variant(int32_t{1}))->GetText(), u"keep me ");
}

}  // namespace
}  // namespace ulka
