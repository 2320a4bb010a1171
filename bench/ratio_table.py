#!/usr/bin/env python3
"""Prints the benchmark table: throughput of ours beside the reference, and the ratio."""
import json
import sys


def throughputs(path):
    """MB/s (10^6 bytes per second) of every benchmark in a Google Benchmark JSON file."""
    with open(path) as f:
        data = json.load(f)
    rates = {}
    for b in data["benchmarks"]:
        # With repetitions only the medians are kept: the machine's speed wanders, and the
        # repetitions of all benchmarks are interleaved so that ours and the references share it.
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        rates[b["run_name"]] = b.get("bytes_per_second", 0) / 1e6
    return rates, data["context"]


def cpu_milliseconds(path):
    """CPU time in ms of every benchmark in a Google Benchmark JSON file (medians as above)."""
    with open(path) as f:
        data = json.load(f)
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    times = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        times[b["run_name"]] = b["cpu_time"] * scale[b.get("time_unit", "ns")]
    return times


def print_listing_table(path):
    """ReadSubKeys beside hivex's own listing of the same key, at every width measured."""
    times = cpu_milliseconds(path)
    widths = sorted(int(name.split("/")[1]) for name in times if name.startswith("BM_ReadSubKeys/"))
    print()
    print("| subkeys listed | ReadSubKeys ms | hivex listing ms | ratio | target |")
    print("|---:|---:|---:|---:|---:|")
    for width in widths:
        ours, hivex = times[f"BM_ReadSubKeys/{width}"], times.get(f"BM_HivexListing/{width}", 0)
        ratio = f"{ours / hivex:.2f}" if hivex else "-"
        print(f"| {width:,} | {ours:.2f} | {hivex:.2f} | {ratio} | <= 3 |")


def file_times(path):
    rows = {}
    with open(path) as f:
        for line in f:
            label, seconds, peak_kib = line.split()
            rows[label] = (float(seconds), int(peak_kib))
    return rows


def path_table(paths, native_reference):
    """The engine and cryptString per vector path (KELVANE_CIPHER_PATH), .so and DLL."""
    rows = [("DES cipherBuffer", "BM_cipherBuffer/alg:2", "BM_reference_openssl_DES_ecb_encrypt"),
            ("IDEA cipherBuffer (x Crypto++)", "BM_cipherBuffer/alg:0", "BM_reference_cryptopp_IDEA_ecb"),
            ("MD5 wide block (x 3 MD5_Transform)", "BM_cipherBuffer/alg:1", "BM_reference_openssl_MD5_Transform_x3"),
            ("cryptString 16 MiB", "BM_cryptString/16777216", "BM_reference_openssl_DES_hex/16777216")]
    print()
    print("| per path: MB/s (x native OpenSSL) | " + " | ".join(f"{p} .so | {p} DLL" for p in paths) + " |")
    print("|---|" + "---:|---:|" * len(paths))
    for what, ours, reference in rows:
        reference_rate = native_reference.get(reference, 0)
        cells = []
        for p in paths:
            for rates in paths[p]:
                rate = rates.get(ours, 0)
                ratio = f" ({rate / reference_rate:.1f}x)" if reference_rate else ""
                cells.append(f"{rate:.0f}{ratio}")
        print(f"| {what} | " + " | ".join(cells) + " |")


def main():
    native, context = throughputs(sys.argv[1])
    win32, _ = throughputs(sys.argv[2])
    files = file_times(sys.argv[3])
    # Further arguments: path=native.json,win32.json for runs capped by KELVANE_CIPHER_PATH.
    paths = {}
    for argument in sys.argv[4:]:
        name, files_of_path = argument.split("=")
        paths[name] = [throughputs(f)[0] for f in files_of_path.split(",")]
    des_native = native.get("BM_cipherBuffer/alg:2", 0)
    des_win32 = win32.get("BM_cipherBuffer/alg:2", 0)

    # (what, our benchmark, reference benchmark or raw-DES marker, target: .so and DLL)
    rows = [
        ("DES-ECB cipherBuffer / OpenSSL DES_ecb_encrypt", "BM_cipherBuffer/alg:2",
         "BM_reference_openssl_DES_ecb_encrypt", (20, 12)),
        ("IDEA cipherBuffer / Crypto++ IDEA ECB", "BM_cipherBuffer/alg:0", "BM_reference_cryptopp_IDEA_ecb", 8),
        ("MD5 wide block / 3x OpenSSL MD5_Transform", "BM_cipherBuffer/alg:1",
         "BM_reference_openssl_MD5_Transform_x3", 4),
        ("XOR cipherBuffer", "BM_cipherBuffer/alg:3", None, None),
        ("cryptString 1 KiB / raw DES", "BM_cryptString/1024", "DES", None),
        ("cryptString 1 MiB / raw DES", "BM_cryptString/1048576", "DES", None),
        ("cryptString 16 MiB / raw DES", "BM_cryptString/16777216", "DES", None),
        ("cryptString 16 MiB / OpenSSL DES + hex", "BM_cryptString/16777216",
         "BM_reference_openssl_DES_hex/16777216", 8),
        ("decryptString 16 MiB / raw DES", "BM_decryptString/16777216", "DES", None),
    ]
    print(f"CPU: {context.get('cpu_model', context.get('host_name', '?'))}, "
          f"{context.get('num_cpus', '?')} cores at {context.get('mhz_per_cpu', '?')} MHz")
    print()
    print("| measure | ours .so MB/s | ours DLL (Wine) MB/s | reference MB/s | ratio .so | ratio DLL | target |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    for what, ours, reference, target in rows:
        ours_native = native.get(ours, 0)
        ours_win32 = win32.get(ours, 0)
        if reference == "DES":
            ref_native, ref_win32 = des_native, des_win32
        elif reference:
            ref_native = ref_win32 = native.get(reference, 0)
        else:
            ref_native = ref_win32 = 0
        ratio_native = f"{ours_native / ref_native:.2f}" if ref_native else "-"
        ratio_win32 = f"{ours_win32 / ref_win32:.2f}" if ref_win32 else "-"
        ref_text = f"{ref_native:.1f}" if ref_native else "-"
        if isinstance(target, tuple):
            target_text = f">= {target[0]} (.so), >= {target[1]} (DLL)"
        else:
            target_text = f">= {target}" if target else "-"
        print(f"| {what} | {ours_native:.1f} | {ours_win32:.1f} | {ref_text} | {ratio_native} | {ratio_win32} | {target_text} |")

    openssl_seconds, openssl_peak = files["file_openssl"]
    print()
    print("| cryptFile, 256 MiB | wall s | peak RSS MiB | wall / openssl enc | target |")
    print("|---|---:|---:|---:|---:|")
    for label, name in (("file_native", ".so (native host)"), ("file_win32", "DLL (Wine host)"),
                        ("file_openssl", "openssl enc -des-ecb -nopad")):
        seconds, peak = files[label]
        ratio = f"{seconds / openssl_seconds:.2f}" if openssl_seconds else "-"
        target = "<= 0.25, <= 16 MiB" if label != "file_openssl" else "-"
        print(f"| {name} | {seconds:.2f} | {peak / 1024:.1f} | {ratio} | {target} |")
    if paths:
        path_table(paths, native)
    print_listing_table(sys.argv[1])
    print()
    print("The DLL column runs the 32-bit build under Wine; its reference ratios use the native "
          "references (no 32-bit OpenSSL or Crypto++ exists for MinGW here).")


if __name__ == "__main__":
    main()
