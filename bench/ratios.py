"""Adds the figures of one Google Benchmark run to the run's table (table.py), each as a ratio
against its baseline from the same run: the native callback for host calls, OpenSSL for the bulk
conversions, zlib for zip, cat for reading a file, and so on, as PAIRS below says."""
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import table  # noqa: E402

PAIRS = [
    ("BM_HostMember/IsEmpty", "BM_NativeCallback/IsEmpty", "time", 3.0, "at most"),
    ("BM_HostMember/GetLength", "BM_NativeCallback/GetLength", "time", 3.0, "at most"),
    # A byte array crosses without a copy: a call on 64 MiB costs about what one on 16 bytes does.
    ("BM_HostMember/GetLength64MiB", "BM_HostMember/GetLength", "per item", 10.0, "at most"),
    ("BM_RtlLoadFile/64MiB/repeats:9/real_time_median", "BM_CatFile/64MiB/repeats:9/real_time_median", "time", 2.0, "at most"),
    ("BM_RtlBulk/Base64", "BM_OpenSslBase64", "throughput", 0.8, "at least"),
    ("BM_SyncRoundTrip/real_time", "BM_CondVarRoundTrip/real_time", "time", 5.0, "at most"),
    # Two workers on two cores against one: the throughput of each run counts all the bytes hashed.
    ("BM_Md5Workers/2/real_time", "BM_Md5Workers/1/real_time", "speedup", 1.7, "at least"),
    ("BM_RtlBulk/Md5", "BM_OpenSslMd5", "throughput", 0.8, "at least"),
    ("BM_Base64Encode", "BM_OpenSslEncodeBlock", "throughput", 0.8, "at least"),
    ("BM_Base64EncodeInto", "BM_OpenSslEncodeBlock", "throughput", 0.8, "at least"),
    ("BM_Base64EncodeAscii", "BM_OpenSslEncodeBlock", "throughput", 0.8, "at least"),
    ("BM_Base64Decode", "BM_OpenSslDecodeBlock", "throughput", 0.8, "at least"),
    ("BM_Md5Bytes", "BM_OpenSslMd5Digest", "throughput", 0.8, "at least"),
    ("BM_TwofishCfb8/16/manual_time", "BM_GcryptTwofishCfb8/16/manual_time", "throughput", 1.0, "at least"),
    ("BM_TwofishCfb8/32/manual_time", "BM_GcryptTwofishCfb8/32/manual_time", "throughput", 1.0, "at least"),
    ("BM_SignerSignData/manual_time", "BM_OpenSslRsaSign/manual_time", "throughput", 0.9, "at least"),
    ("BM_SignerVerifyData/manual_time", "BM_OpenSslRsaVerify/manual_time", "throughput", 0.9, "at least"),
    ("BM_ZipAdd/manual_time", "BM_ZlibCompress2/manual_time", "throughput", 0.9, "at least"),
    ("BM_ZipExtract/manual_time", "BM_ZlibUncompress/manual_time", "throughput", 0.9, "at least"),
    ("BM_UpdateResPackage/iterations:5/real_time", "BM_CopyFile/iterations:5/real_time", "time", 3.0, "at most"),
    ("BM_OpenPlainPackage/iterations:5/real_time", "BM_ReadPackageFile/iterations:5/real_time", "time", 4.0, "at most"),
    ("BM_OpenSealedPackage/iterations:3/real_time", "BM_ReadPackageFile/iterations:5/real_time", "time", 100.0, "at most"),
    # Scaling: the time for ten times the input.
    ("BM_StringsSort/1000000", "BM_StringsSort/100000", "time", 12.0, "at most"),
    ("BM_StringsRemoveDuplicates/1000000", "BM_StringsRemoveDuplicates/100000", "time", 12.0, "at most"),
    ("BM_FileListAdd/100000", "BM_FileListAdd/10000", "time", 12.0, "at most"),
    ("BM_LoadJSON/10000000", "BM_LoadJSON/1000000", "time", 12.0, "at most"),
    ("BM_JSON/10000000", "BM_JSON/1000000", "time", 12.0, "at most"),
    ("BM_DictionaryAddLookup/100000", "BM_DictionaryAddLookup/10000", "time", 12.0, "at most"),
]


def describe(result, kind):
    """A benchmark's own figure, in the unit its comparison uses."""
    if kind in ("throughput", "speedup") and "bytes_per_second" in result:
        return f"{result['bytes_per_second'] / 1e6:.0f} MB/s"
    if kind == "per item":
        seconds = 1 / result["items_per_second"]
        return f"{seconds * 1e6:.3g} us a call" if seconds < 1e-3 else f"{seconds * 1e3:.3g} ms a call"
    return f"{result['real_time']:.3g} {result['time_unit']}"


def main(path):
    with open(path) as f:
        results = {b["name"]: b for b in json.load(f)["benchmarks"]}
    shown = False
    for name, base, kind, target, sense in PAIRS:
        if name not in results or base not in results:
            continue
        shown = True
        try:
            a, b = results[name]["real_time"], results[base]["real_time"]
            if kind == "speedup":  # work per run grows with the argument: compare bytes per second
                a, b = 1 / results[name]["bytes_per_second"], 1 / results[base]["bytes_per_second"]
            if kind == "per item":  # runs of different lengths: compare the time of one call
                a, b = 1 / results[name]["items_per_second"], 1 / results[base]["items_per_second"]
            ratio = a / b if kind in ("time", "per item") else b / a
            table.add_row(name, describe(results[name], kind), base, describe(results[base], kind), ratio, sense,
                          target, kind)
        except (KeyError, ZeroDivisionError) as e:
            table.add_failure(name, f"no figure ({e})")
    if not shown:
        for name, b in results.items():
            print(f"{name}: {b['real_time']:.3f} {b['time_unit']}")


if __name__ == "__main__":
    main(sys.argv[1])
