#!/usr/bin/env python3
"""Shows the native tier's host code beside the VM instructions it was translated from.

    TARN_PERF_MAP=1 TARN_NATIVE_DUMP=/tmp/code.bin tvm prog.tvm
    tools/native-listing.py /tmp/perf-PID.map /tmp/code.bin [FROM_PC [TO_PC]]

The map (one line per instruction's code: address, size, "tarn PC MNEMONIC") comes from
TARN_PERF_MAP, the host code from TARN_NATIVE_DUMP; objdump disassembles it. Only the
instructions whose code offsets lie in [FROM_PC, TO_PC] are shown.
"""
import subprocess
import sys


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    entries = []
    for line in open(sys.argv[1]):
        addr, size, name = line.split(' ', 2)
        entries.append((int(addr, 16), int(size, 16), name.strip()))
    lo = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    hi = int(sys.argv[4]) if len(sys.argv) > 4 else 1 << 32
    base = min(e[0] for e in entries)
    dis = subprocess.run(['objdump', '-D', '-b', 'binary', '-mi386:x86-64', '--no-show-raw-insn',
                          '--adjust-vma=%#x' % base, sys.argv[2]],
                         capture_output=True, text=True, check=True).stdout
    host = {}
    for line in dis.splitlines():
        head, _, text = line.partition(':\t')
        try:
            host[int(head.strip(), 16)] = text.strip()
        except ValueError:
            continue
    addrs = sorted(host)
    for start, size, name in entries:
        parts = name.split()
        if len(parts) < 3 or not parts[1].isdigit() or not lo <= int(parts[1]) <= hi:
            continue
        print('%6s %s' % (parts[1], parts[2]))
        for a in addrs:
            if start <= a < start + size:
                print('           %x  %s' % (a - base, host[a]))


if __name__ == '__main__':
    main()
