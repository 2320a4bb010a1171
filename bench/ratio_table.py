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
    """label -> {round: (seconds, peak KiB)} from bench.sh's file.txt."""
    rows = {}
    with open(path) as f:
        for line in f:
            label, round_number, seconds, peak_kib = line.split()
            rows.setdefault(label, {})[int(round_number)] = (float(seconds), int(peak_kib))
    return rows


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def file_median(files, label, index=0):
    """Median over the rounds of a file row's seconds (index 0) or peak KiB (1)."""
    return median(value[index] for value in files[label].values())


def round_ratio(files, label, reference):
    """Median over the rounds of label / reference, each round's two times side by side."""
    rounds = files[label].keys() & files[reference].keys()
    return median(files[label][r][0] / files[reference][r][0] for r in rounds if files[reference][r][0] > 0)


def print_goal_table(native, win32, files):
    """The engine's goals: each measure as a ratio beside its goal, the figures behind it."""
    def rate_ratio(ours_rates, ours, reference):
        ours_rate, reference_rate = ours_rates.get(ours, 0), native.get(reference, 0)
        return ours_rate / reference_rate if reference_rate else 0, f"{ours_rate:.0f} / {reference_rate:.1f} MB/s"

    rows = [
        ("DES through the engine / OpenSSL `DES_ecb_encrypt`",
         *rate_ratio(native, "BM_cipherBuffer/alg:2", "BM_reference_openssl_DES_ecb_encrypt"), ">= 30x", ">="),
        ("IDEA / Crypto++ ECB",
         *rate_ratio(native, "BM_cipherBuffer/alg:0", "BM_reference_cryptopp_IDEA_ecb"), ">= 30x", ">="),
        ("the 32-byte MD5 block / 3x `MD5_Transform`",
         *rate_ratio(native, "BM_cipherBuffer/alg:1", "BM_reference_openssl_MD5_Transform_x3"), ">= 16x", ">="),
        ("the i686 code under Wine (the DLL's), DES / native OpenSSL",
         *rate_ratio(win32, "BM_cipherBuffer/alg:2", "BM_reference_openssl_DES_ecb_encrypt"), ">= 24x", ">="),
        ("`cryptString` 16 MiB / OpenSSL DES + a table hex encoder",
         *rate_ratio(native, "BM_cryptString/16777216", "BM_reference_openssl_DES_hex/16777216"), ">= 20x", ">="),
    ]
    copy = file_median(files, "copy")
    for what, label, goal in (("`cryptFile` 256 MiB, one link / a synced copy of the file (`dd conv=fsync`)",
                               "file_native", "<= 1.2x"),
                              ("`decryptFile` 256 MiB, one link / the same copy", "decrypt_native", "<= 1.2x"),
                              ("`cryptFile` 256 MiB, two links (in place, a copy kept aside) / the copy",
                               "file_two_links", "<= 2.4x")):
        rows.append((what, round_ratio(files, label, "copy"), f"{file_median(files, label):.2f} / {copy:.2f} s",
                     goal, "<="))
    peak = max(file_median(files, label, 1) for label in ("file_native", "decrypt_native", "file_two_links")) / 1024
    print("| measure | ratio | figures (medians) | goal | met |")
    print("|---|---:|---:|---:|---|")
    for what, ratio, figures, goal, sense in rows:
        bound = float(goal.split()[1].rstrip("x"))
        met = ratio >= bound if sense == ">=" else ratio <= bound
        print(f"| {what} | {ratio:.2f}x | {figures} | {goal} | {'yes' if met else 'no'} |")
    print(f"| `cryptFile` peak memory (host process, largest of the three calls) | {peak:.1f} MiB | | <= 8 MiB | "
          f"{'yes' if peak <= 8 else 'no'} |")


def processor_name():
    """The processor as /proc/cpuinfo names it, with its family and model (a virtual
    machine's name alone often says little) and the vector sets the engine can use."""
    fields, flags = {}, set()
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                key, _, value = line.partition(":")
                key = key.strip()
                if key == "flags":
                    flags = set(value.split())
                    break
                fields.setdefault(key, value.strip())
    except OSError:
        return "?"
    sets = [name for name in ("avx2", "avx512f", "avx512bw", "avx512vl", "gfni") if name in flags]
    return (f"{fields.get('vendor_id', '?')} {fields.get('model name', '?')} (family {fields.get('cpu family', '?')}, "
            f"model {fields.get('model', '?')}; {' '.join(sets)})")


# The builds measured, in the order of their JSON files on the command line.
BUILDS = (".so", "DLL32", "DLL64")


def path_table(paths, native_reference):
    """The engine and cryptString per vector path (KELVANE_CIPHER_PATH), .so and both DLLs."""
    rows = [("DES cipherBuffer", "BM_cipherBuffer/alg:2", "BM_reference_openssl_DES_ecb_encrypt"),
            ("IDEA cipherBuffer (x Crypto++)", "BM_cipherBuffer/alg:0", "BM_reference_cryptopp_IDEA_ecb"),
            ("MD5 wide block (x 3 MD5_Transform)", "BM_cipherBuffer/alg:1", "BM_reference_openssl_MD5_Transform_x3"),
            ("cryptString 16 MiB", "BM_cryptString/16777216", "BM_reference_openssl_DES_hex/16777216")]
    print()
    print("| per path: MB/s (x native OpenSSL) | " + " | ".join(f"{p} {b}" for p in paths for b in BUILDS) + " |")
    print("|---|" + "---:|" * len(BUILDS) * len(paths))
    for what, ours, reference in rows:
        reference_rate = native_reference.get(reference, 0)
        cells = []
        for p in paths:
            for rates in paths[p]:
                rate = rates.get(ours, 0)
                ratio = f" ({rate / reference_rate:.1f}x)" if reference_rate else ""
                cells.append(f"{rate:.0f}{ratio}")
        print(f"| {what} | " + " | ".join(cells) + " |")


def ratio_text(ours, reference):
    return f"{ours / reference:.2f}" if reference else "-"


def main():
    native, context = throughputs(sys.argv[1])
    dlls = [throughputs(path)[0] for path in sys.argv[2:4]]  # 32-bit, 64-bit
    files = file_times(sys.argv[4])
    # Further arguments: path=native.json,win32.json,win64.json for runs capped by KELVANE_CIPHER_PATH.
    paths = {}
    for argument in sys.argv[5:]:
        name, files_of_path = argument.split("=")
        paths[name] = [throughputs(f)[0] for f in files_of_path.split(",")]

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
    print(f"CPU: {processor_name()}, {context.get('num_cpus', '?')} cores at {context.get('mhz_per_cpu', '?')} MHz")
    print()
    print_goal_table(native, dlls[0], files)
    print()
    print("| measure | ours .so MB/s | ours DLL32 MB/s | ours DLL64 MB/s | reference MB/s "
          "| ratio .so | ratio DLL32 | ratio DLL64 | target |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
    for what, ours, reference, target in rows:
        builds = [native] + dlls
        rates = [build.get(ours, 0) for build in builds]
        if reference == "DES":  # each build's own raw DES
            references = [build.get("BM_cipherBuffer/alg:2", 0) for build in builds]
        else:
            references = [native.get(reference, 0) if reference else 0] * len(builds)
        ratios = " | ".join(ratio_text(rate, ref) for rate, ref in zip(rates, references))
        ref_text = f"{references[0]:.1f}" if references[0] else "-"
        if isinstance(target, tuple):
            target_text = f">= {target[0]} (.so), >= {target[1]} (DLLs)"
        else:
            target_text = f">= {target}" if target else "-"
        rate_text = " | ".join(f"{rate:.1f}" for rate in rates)
        print(f"| {what} | {rate_text} | {ref_text} | {ratios} | {target_text} |")

    openssl_seconds = file_median(files, "file_openssl")
    print()
    print("| file call, 256 MiB | wall s | peak RSS MiB | wall / openssl enc |")
    print("|---|---:|---:|---:|")
    for label, name in (("copy", "dd conv=fsync, the synced copy"),
                        ("file_native", "cryptFile .so (native host), one link"),
                        ("decrypt_native", "decryptFile .so, its container"),
                        ("file_two_links", "cryptFile .so, two links (in place)"),
                        ("file_win32", "cryptFile DLL32 (Wine host)"), ("decrypt_win32", "decryptFile DLL32"),
                        ("file_win64", "cryptFile DLL64 (64-bit Wine host)"), ("decrypt_win64", "decryptFile DLL64"),
                        ("file_openssl", "openssl enc -des-ecb -nopad (no sync)")):
        if label not in files:
            continue
        seconds, peak = file_median(files, label), file_median(files, label, 1)
        ratio = f"{seconds / openssl_seconds:.2f}" if openssl_seconds else "-"
        print(f"| {name} | {seconds:.2f} | {peak / 1024:.1f} | {ratio} |")
    if paths:
        path_table(paths, native)
    print_listing_table(sys.argv[1])
    print()
    print("The DLL32 and DLL64 columns run the 32-bit and the 64-bit build under Wine; their reference "
          "ratios use the native references (no OpenSSL or Crypto++ exists for MinGW here).")


if __name__ == "__main__":
    main()
