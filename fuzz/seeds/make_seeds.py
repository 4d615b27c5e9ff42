#!/usr/bin/python3
"""Writes the seed corpora of fuzz/corpus/ from the manifests and texts here.

usage: make_seeds.py FWPACK [CORPUS_DIR]

Packages are built with the fwpack tool and appended to a small stand-in
program image; the other seeds are written byte by byte below. Run it again
after changing a seed; the corpora are kept in the repository.
"""
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def build_packages(fwpack, workdir):
    """name -> bytes of a program file carrying that package."""
    image = os.path.join(workdir, "image")
    with open(image, "wb") as f:
        f.write(b"\x7fELF" + bytes(60))
    out = {}
    for manifest in sorted(os.listdir(HERE)):
        if not manifest.endswith(".manifest"):
            continue
        target = os.path.join(workdir, manifest[:-9] + ".exe")
        subprocess.run([fwpack, "build", os.path.join(HERE, manifest), image, target], check=True,
                       stdout=subprocess.DEVNULL)
        with open(target, "rb") as f:
            out[manifest[:-9]] = f.read()
    return out


def entries(program):
    """(name, attribute, data) of each entry, walked as the reader walks them."""
    count, distance = struct.unpack_from("<HH", program, len(program) - 12)
    first = struct.unpack_from("<I", program, len(program) - distance)[0]
    at = len(program) - first
    found = []
    for _ in range(count):
        length, = struct.unpack_from("<I", program, at)
        attribute, = struct.unpack_from(">H", program, at + 4)
        name = program[at + 6:at + 38].split(b"\0")[0].decode()
        found.append((name, attribute, program[at + 38:at + length]))
        at += length
    return found


def empty_package():
    return b"\x7fELF" + bytes(12) + struct.pack("<HHH", 0, 0, 14) + b"morvane\0"


def qd_reply(module, detail, length=68):
    reply = bytearray(max(length, 68))
    reply[12:12 + len(detail)] = detail
    reply[44:44 + len(module)] = module
    return bytes(reply[:length])


def vn_reply(text):
    return b"\x00\x03\x00\x01" + text + b"\0"


def search_answer(device, flags, copies, datagram, address=None):
    """One answer of the discovery search fuzzer's script."""
    head = bytes([device]) + (bytes(address) if device >= 6 else b"")
    return head + bytes([flags, copies - 1]) + struct.pack("<H", len(datagram)) + datagram


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    fwpack = sys.argv[1]
    corpus = sys.argv[2] if len(sys.argv) > 2 else os.path.join(HERE, "..", "corpus")

    with tempfile.TemporaryDirectory() as workdir:
        programs = build_packages(fwpack, workdir)
    programs["empty"] = empty_package()

    for target in ("fuzz_package_layout", "fuzz_extract_package"):
        folder = os.path.join(corpus, target)
        for name, data in programs.items():
            write(folder, name + ".exe", data)
        write(folder, "no-package.exe", b"\x7fELF" + bytes(28) + b"morvane!")

    notices = os.path.join(corpus, "fuzz_notice_record")
    for program_name, data in programs.items():
        for name, attribute, body in entries(data):
            if attribute & 0x0400:
                write(notices, program_name + "-" + name, body)
    for text in ("small.rtf", "plain.txt"):
        with open(os.path.join(HERE, text), "rb") as f:
            write(notices, text, f.read())
    write(notices, "nested.rtf", b"{\\rtf1{\\*\\unknown{x}}{\\fonttbl{\\f0 A;}}{{{\\b deep}}}\\'4\\u-3\\uc0 x\\par}")

    # The notice rules: mode, attribute, device, flags, module text, entry name, record.
    rules = os.path.join(corpus, "fuzz_notice_rules")
    def rule_input(mode, attribute, device, flags, module, name, record):
        return (bytes([mode]) + struct.pack("<H", attribute) + bytes([device, flags, len(module)]) + module +
                bytes([len(name)]) + name + record)
    n = 0
    for program_name, data in programs.items():
        for name, attribute, body in entries(data):
            if attribute & 0x0400:
                for mode in range(3):
                    write(rules, "%s-%s-mode%d" % (program_name, name, mode),
                          rule_input(mode, attribute, 1, 2, b"WX", name.encode(), body))
                    n += 1

    replies = os.path.join(corpus, "fuzz_probe_replies")
    write(replies, "qd-full", qd_reply(b"WX2000", b"rev B"))
    write(replies, "qd-20-bytes", qd_reply(b"WX2000", b"ABCDEFGHIJ", 20))
    write(replies, "vn-loader", vn_reply(b"$Plumet Boot Loader V1.0"))
    write(replies, "vn-short", b"\x00\x03\x00\x01$Plu")
    write(replies, "qq", b"QQ\0")

    search = os.path.join(corpus, "fuzz_discovery_search")
    write(search, "normal-router", search_answer(0, 0, 1, qd_reply(b"WX2000", b"rev B")))
    write(search, "loader-and-router-sharing",
          search_answer(0, 0, 1, qd_reply(b"WX2000", b"")) + search_answer(0, 4, 1, vn_reply(b"$Plumet Loader")))
    write(search, "default-qq-and-loader",
          search_answer(4, 2, 1, b"QQ\0") + search_answer(5, 4, 2, vn_reply(b"$Plumet X")))
    write(search, "table-overflow",
          search_answer(1, 1, 70, qd_reply(b"WX", b"")) + search_answer(6, 4, 3, vn_reply(b"$Plumet"), (10, 0, 0, 7)))
    write(search, "manual-entry", search_answer(6, 2 | 8, 1, b"QQ\0", (192, 168, 5, 5)) +
          search_answer(6, 4 | 8, 1, vn_reply(b"$Plumet manual"), (192, 168, 5, 5)))


    # The recovery transfer's script: flags, two file sizes, then one step per
    # datagram the loader receives (0 ack, 1 ack of a given block, 2 ERROR,
    # 3 raw bytes, 4 silence, 5 ack twice, 6 ack from another port).
    tftp = os.path.join(corpus, "fuzz_tftp_datagrams")
    def transfer(flags, size1, size2, steps=b""):
        return bytes([flags]) + struct.pack("<HH", size1, size2) + steps
    write(tftp, "hand-picked-1000-bytes", transfer(0, 1000, 0))
    write(tftp, "package-notice-two-entries", transfer(2 | 4 | 8, 1024, 600))
    write(tftp, "error-after-first-block",
          transfer(2, 1500, 0, b"\x00\x00\x02" + struct.pack(">H", 0) + bytes([17]) + b"Flash write error"))
    write(tftp, "repeated-and-stray-acks", transfer(2 | 8, 2000, 513, b"\x05\x06\x01\x00\x07\x00\x05"))
    write(tftp, "stall-for-the-watchdog", transfer(1 | 2, 1200, 0, b"\x00\x04"))
    write(tftp, "raw-short-datagram", transfer(0, 600, 0, b"\x03\x03\x00\x00\x04\x00"))


    # The FTP upgrade: flags, file size, drop point, login refusal, STOR
    # refusal, three final replies, then direct handler calls.
    ftp = os.path.join(corpus, "fuzz_ftp_replies")
    def text(t):
        return bytes([len(t)]) + t
    def upgrade(flags, size, drop=0, login=b"", stor=b"", finals=(b"", b"", b""), calls=b""):
        return (bytes([flags]) + struct.pack("<HH", size, drop) + text(login) + text(stor) +
                b"".join(text(f) for f in finals) + calls)
    write(ftp, "package-accepted", upgrade(1 | 2, 5000))
    write(ftp, "package-429-after-data", upgrade(1, 5000, finals=(b"429 Image check failed.", b"", b"")))
    write(ftp, "login-530", upgrade(1, 3000, login=b"530 Login incorrect."))
    write(ftp, "stor-550", upgrade(1, 3000, stor=b"550 Permission denied."))
    write(ftp, "hand-picked-421", upgrade(0, 4000, login=b"421 Too many users."))
    write(ftp, "hand-picked-429", upgrade(4, 4000, finals=(b"429 Bad image", b"", b"")))
    write(ftp, "connection-drops", upgrade(1 | 8, 9000, drop=3000))
    write(ftp, "wrong-password", upgrade(16, 1000))
    write(ftp, "handler-calls", upgrade(4, 100, calls=b"\x00" + text(b"429 late") + b"\x01\x14" +
                                       b"\x02" + text(b"Connection reset") + struct.pack("<H", 104)))


if __name__ == "__main__":
    main()
