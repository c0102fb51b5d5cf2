// Where the application comes from: the package in the program's own resources (plain or
// sealed), a zip named as the first parameter, or the folder of a page named there; and which of
// its files is the start page.
#pragma once

#include <string>
#include <vector>

#include "app/Storage.h"
#include "archive/Zip.h"

namespace ulka {

// The three values a sealed package is checked and opened with, as Base64 text: the public key
// (a PUBLICKEYBLOB) its signature must verify under, the Twofish key and the initial vector.
struct PackageKeys {
  WideString PublicKey;
  WideString Key;
  WideString InitVector;
};

// The keys this build was made with.
const PackageKeys& BuiltInPackageKeys();

struct SourceChoice {
  Ref<TZip> Zip;          // the archive, when the source is a zip
  Ref<TStorage> Storage;  // the folder, when the source is a folder
  WideString StartFile;
  bool ConsumesParameter = false;

  // The handler for the scheme: the archive or the storage; null when there is no source.
  Ref<IDispatch> Handler() const;
  explicit operator bool() const { return Zip || Storage; }
};

// Fills `archive` from the resource's bytes: a plain zip ("PK") or a sealed package ("ULKA").
bool LoadEmbeddedPackage(TZip& archive, const Variant& resource, const PackageKeys& keys);

// The start page of an archive by the patterns "*.ulka", "index.html", "index.htm", "*.html",
// "*.htm"; empty text when none matches.
WideString FindStartPage(TZip& archive);

struct SourceInputs {
  Variant Module;                   // whose resource "ULKA" of type 23 holds the package
  std::vector<WideString> Params;   // the command-line parameters after the program name
  std::string CurrentDirectory;     // for a parameter without a folder part
  PackageKeys Keys = BuiltInPackageKeys();
};

// Chooses the source as the launcher does; an empty source when none works.
SourceChoice ChooseSource(const SourceInputs& inputs);

}  // namespace ulka
