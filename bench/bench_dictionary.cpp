// Dictionary scaling: reading and writing the text form of a 10 MB document, and adds with
// lookups in between. Each is measured at a tenth of the size too; the ratio shows the growth.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "data/Dictionary.h"

namespace ulka {
namespace {

// About `size` characters of text form: entries holding small nested objects with escaped
// strings, integers, doubles and booleans.
WideString Document(size_t size) {
  Ref<TDictionary> top = MakeRef<TDictionary>();
  size_t written = 2;
  for (int i = 0; written < size; ++i) {
    Ref<TDictionary> item = MakeRef<TDictionary>();
    WideString name(u"item \"?\" in C:\\data\\\n");
    name[6] = static_cast<char16_t>(u'a' + i % 26);
    item->Add(u"name", Variant(name))
        ->Add(u"n", Variant(int32_t{i}))
        ->Add(u"r", Variant(i + 0.25))
        ->Add(u"ok", Variant(i % 2 == 0));
    std::string key = "k";
    key += std::to_string(i);
    top->Add(WideString(key.begin(), key.end()), Variant(static_cast<IDispatch*>(item.get())));
    written += key.size() + 2 + item->JSON().size();
  }
  return top->JSON();
}

void BM_LoadJSON(benchmark::State& state) {
  const WideString text = Document(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    Ref<TDictionary> d = MakeRef<TDictionary>();
    if (!d->LoadJSON(text)) state.SkipWithError("not read");
    benchmark::DoNotOptimize(d->GetLength());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * 2));
}
BENCHMARK(BM_LoadJSON)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);

void BM_JSON(benchmark::State& state) {
  Ref<TDictionary> d = MakeRef<TDictionary>();
  d->LoadJSON(Document(static_cast<size_t>(state.range(0))));
  size_t written = 0;
  for (auto _ : state) {
    WideString text = d->JSON();
    written = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written * 2));
}
BENCHMARK(BM_JSON)->Arg(1000000)->Arg(10000000)->Unit(benchmark::kMillisecond);

std::vector<WideString> AddKeys(int count) {
  std::vector<WideString> keys;
  for (int i = 0; i < count; ++i) {
    std::string key = "Key";
    key += std::to_string(i % (count / 2 + 1));  // half of them repeated
    keys.emplace_back(key.begin(), key.end());
  }
  return keys;
}

// Adds with lookups of a present and a missing key in between, as scripts make them: through
// the dispatch interface, arguments coerced, results copied out.
void BM_DictionaryAddLookup(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  std::vector<Variant> keys;
  for (WideString& key : AddKeys(count)) keys.emplace_back(std::move(key));
  Variant missing(WideString(u"missing"));
  for (auto _ : state) {
    Ref<TDictionary> d = MakeRef<TDictionary>();
    int64_t found = 0;
    for (int i = 0; i < count; ++i) {
      Variant result;
      Variant add[] = {keys[i], Variant(int32_t{i})};
      DispParams addParams{add, {}};
      d->Invoke(201, DISPATCH_METHOD, addParams, &result, nullptr);
      Variant get[] = {keys[i / 2]};
      DispParams getParams{get, {}};
      d->Invoke(DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, getParams, &result, nullptr);
      found += result.Int();
      Variant contains[] = {missing};
      DispParams containsParams{contains, {}};
      d->Invoke(206, DISPATCH_METHOD, containsParams, &result, nullptr);
      found += result.Bool();
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_DictionaryAddLookup)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same pattern on the member list alone, for reference: here the growth from 10^4 to 10^5
// entries is mostly the index leaving the processor's faster caches.
void BM_MemberListAddLookup(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::vector<WideString> keys = AddKeys(count);
  for (auto _ : state) {
    TMemberList list;
    int64_t found = 0;
    for (int i = 0; i < count; ++i) {
      list.AddMember(keys[i], Variant(int32_t{i}));
      found += list.GetMemberId(keys[i / 2]);
      found += list.GetMemberId(u"missing");
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_MemberListAddLookup)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ulka

BENCHMARK_MAIN();
