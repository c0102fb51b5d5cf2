// The declaration and reference writers read every form of member as the binding serves it, and
// the result interfaces the root object's table names are the ones its factories make.
#include <gtest/gtest.h>

#include "apidoc/DeclarationWriter.h"
#include "apidoc/ReferenceWriter.h"
#include "automation/VekObjectEx.h"
#include "runtime/Rtl.h"

namespace ulka {
namespace {

// One member of each form the tables know.
class TFormsProbe : public TVekObjectEx {
 public:
  static const InterfaceInfo& Info();
  TFormsProbe() : TVekObjectEx(Info()) {}

  Variant Read(const WideString&) { return {}; }
  int32_t GetCount() { return 0; }
  WideString GetTitle() { return {}; }
  void SetTitle(const WideString&) {}
  Ref<IDispatch> GetBounds() { return nullptr; }
  void SetBounds(IDispatch*) {}
  WideString GetNames(int32_t) { return {}; }
  void SetNames(int32_t, const WideString&) {}
  Ref<TFormsProbe> Self() { return this; }
  Ref<IDispatch> Anything() { return nullptr; }
  void Configure(const Variant&, const WideString&, int32_t, bool) {}
  void Gap(const Variant&, const Variant&) {}
  Date GetWhen() { return {}; }
};

const InterfaceInfo& TFormsProbe::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TFormsProbe>("IFormsProbe", "{00000000-0000-0000-0000-0000000000F1}", "Probe of member forms")
          .Method(0, "Read", &TFormsProbe::Read, {Arg("Name")}).ReturnsBytes()
          .Getter(201, "Count", &TFormsProbe::GetCount)
          .Property(202, "Title", &TFormsProbe::GetTitle, &TFormsProbe::SetTitle)
          .Property(203, "Bounds", &TFormsProbe::GetBounds, &TFormsProbe::SetBounds).Returns("IRectangle")
          .Property(204, "Names", &TFormsProbe::GetNames, &TFormsProbe::SetNames, {Arg("Index")})
          .Method(205, "Self", &TFormsProbe::Self)
          .Method(206, "Anything", &TFormsProbe::Anything)
          .Method(207, "Configure", &TFormsProbe::Configure,
                  {Arg("delete"), Opt("Cipher", u"xor"), Opt("Size", int32_t{1024}), Opt("Flag", true)})
          .Method(208, "Gap", &TFormsProbe::Gap, {Opt("A"), Arg("B")})
          .Getter(209, "When", &TFormsProbe::GetWhen)
          .Build();
  return info;
}

// The text of one interface's declaration, from "interface NAME {" to its closing brace.
std::string Declaration(const std::string& all, const std::string& name) {
  const size_t start = all.find("  interface " + name + " {");
  if (start == std::string::npos) return {};
  return all.substr(start, all.find("\n  }\n", start) - start);
}

class ApiDocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    interfaces_ = TypeLibrary::Interfaces();
    interfaces_.push_back(&TFormsProbe::Info());
    all_ = apidoc::WriteDeclarations(interfaces_);
    probe_ = Declaration(all_, "IFormsProbe");
    ASSERT_FALSE(probe_.empty()) << all_;
  }
  std::vector<const InterfaceInfo*> interfaces_;
  std::string all_;
  std::string probe_;
};

TEST_F(ApiDocTest, EveryFormReadsAsTheBindingServesIt) {
  const char* lines[] = {
      "(Name: string): Uint8Array | undefined;",          // the object is callable: its default member
      "Read(Name: string): Uint8Array | undefined;",      // byte arrays
      "readonly Count: number;",                          // read-only
      "Title: string;",                                   // read-write
      "get Bounds(): IRectangle;",                        // the interface the table names
      "set Bounds(Value: object | null);",                // any object may be put
      "Names(Index: number): string;",                    // indexed get
      "Names(Index: number, Value: string): void;",       // indexed put: the value last
      "Self(): IFormsProbe;",                             // a Ref<T> result names its interface
      "Anything(): HostObject;",                          // nothing invented
      "Configure(delete_: Variant, Cipher?: string, Size?: number, Flag?: boolean): void;",
      "@param Cipher optional, default \"xor\"",
      "@param Size optional, default 1024",
      "@param Flag optional, default true",
      "Gap(A: Variant | undefined, B: Variant): void;",   // optional before a required one
      "readonly When: Date;",
      "[member: string]: any;",                           // expando
  };
  for (const char* line : lines) EXPECT_NE(probe_.find(line), std::string::npos) << line << "\n" << probe_;
  EXPECT_NE(all_.find(" * Probe of member forms\n"), std::string::npos);  // the help string
}

TEST_F(ApiDocTest, OnlyObjectsWithADefaultMemberAreCallableOrExpando) {
  const std::string xml = Declaration(all_, "IXml");
  ASSERT_FALSE(xml.empty());
  EXPECT_EQ(xml.find("\n    ("), std::string::npos) << xml;       // no call signature
  EXPECT_EQ(xml.find("[member: string]"), std::string::npos) << xml;
  const std::string zip = Declaration(all_, "IZip");
  EXPECT_NE(zip.find("\n    (Name: string): Uint8Array | undefined;"), std::string::npos) << zip;
}

TEST_F(ApiDocTest, GlobalsOfHostScriptsAndPages) {
  EXPECT_NE(all_.find("declare var rtl: Ulka.IRtl;"), std::string::npos);
  EXPECT_NE(all_.find("interface External {"), std::string::npos);
  EXPECT_NE(all_.find("  browser: Ulka.IBrowser;"), std::string::npos);
  EXPECT_NE(all_.find("  header?: Ulka.IHTMLView;"), std::string::npos);
  EXPECT_NE(all_.find("declare var external: External;"), std::string::npos);
}

TEST_F(ApiDocTest, ReferencePageShowsUsesDefaultsAndLinks) {
  const auto pages = apidoc::ReferencePages(interfaces_);
  ASSERT_TRUE(pages.count("index.html"));
  ASSERT_TRUE(pages.count("IFormsProbe.html"));
  const std::string& page = pages.at("IFormsProbe.html");
  for (const char* text : {"formsProbe.Names(Index, Value)", "formsProbe(Name)", "formsProbe.Title = Value",
                           "default <code>&quot;xor&quot;</code>", "<a href=\"IRectangle.html\">",
                           "Probe of member forms", "read-only property", "indexed property"}) {
    EXPECT_NE(page.find(text), std::string::npos) << text;
  }
  EXPECT_NE(pages.at("index.html").find("<a href=\"IFormsProbe.html\">"), std::string::npos);
}

// The result interface each factory of the root object declares is the one of the object it makes.
TEST(RootObjectTable, FactoriesMakeTheInterfacesTheTableNames) {
  TypeLibrary::Interfaces();  // every table built, so that names resolve
  Ref<TRtl> rtl = MakeRef<TRtl>();
  const InterfaceInfo& info = TRtl::Info();
  int checked = 0;
  for (const MemberInfo& m : info.Members()) {
    if (m.kind != MemberKind::Method || !m.method.ResultInterface() || m.onMainThread) continue;
    if (m.method.RequiredCount() > 0) continue;
    DispParams params{};
    Variant result;
    ExcepInfo excep;
    if (info.Invoke(*rtl, m.id, DISPATCH_METHOD, params, &result, &excep) != S_OK) continue;  // needs a display
    auto* object = dynamic_cast<TVekObject*>(result.Dispatch());
    ASSERT_NE(object, nullptr) << Utf8(m.name);
    EXPECT_EQ(object->Interface().Name(), m.method.ResultInterface()->Name()) << Utf8(m.name);
    ++checked;
  }
  EXPECT_GE(checked, 15);
}

}  // namespace
}  // namespace ulka
