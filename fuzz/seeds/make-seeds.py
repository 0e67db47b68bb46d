#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the project's own inputs.

    make-seeds.py SOURCE-DIR OUT-DIR

Each target gets OUT-DIR/NAME/ (the PNG and BMP seeds come from fuzz_image_seeds instead):
  zcl_token, zcl_compile  the example and benchmark scripts, the default skin's scripts and the
                          script texts written in the compiler, tool and player tests
  zil_interp              choice bytes from a fixed generator
  zml_tagparser           the default skin's markup and the markup texts of the tests
  resource_package        packages of a small skin made with 7-Zip, one per set of switches the
                          package tests use
  playlist_parse          the playlist tests' types, addresses and bodies, combined
  icy_metadata            the test server's ICY headers and the title tests' metadata texts
  string_format           the format texts of the runtime tests with values of every kind
  xml_document            the XML texts of the XML class tests and the skins' markup files
Texts are taken from the C++ string literals of the tests (adjacent literals joined, escapes
decoded), filtered by what each target reads.
"""
import hashlib
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

MAX_SEED = 64 * 1024


def cpp_literals(path):
    """The string literals of a C++ file as bytes, adjacent literals joined."""
    src = Path(path).read_text(encoding="utf-8", errors="surrogateescape")
    out, current, i, n = [], None, 0, len(src)

    def flush():
        nonlocal current
        if current is not None:
            out.append(current)
        current = None

    while i < n:
        c = src[i]
        if src.startswith("//", i):
            i = src.find("\n", i)
            i = n if i < 0 else i
        elif src.startswith("/*", i):
            j = src.find("*/", i + 2)
            i = n if j < 0 else j + 2
        elif c.isspace():
            i += 1
        elif c == "'" and not (i > 0 and (src[i - 1].isalnum())):
            j = i + 1
            while j < n and src[j] != "'":
                j += 2 if src[j] == "\\" else 1
            i = j + 1
            flush()
        elif c == '"' or (c == "R" and src.startswith('R"', i) and not (i > 0 and (src[i - 1].isalnum() or src[i - 1] == "_"))):
            if c == "R":
                m = re.match(r'R"([^(\s]*)\(', src[i:])
                end = src.find(")" + m.group(1) + '"', i + m.end())
                text = src[i + m.end():end].encode("utf-8", "surrogateescape")
                i = end + len(m.group(1)) + 2
            else:
                j, buf = i + 1, bytearray()
                while j < n and src[j] != '"':
                    if src[j] == "\\" and j + 1 < n:
                        e = src[j + 1]
                        simple = {"n": 10, "t": 9, "r": 13, "a": 7, "b": 8, "f": 12, "v": 11,
                                  "\\": 92, '"': 34, "'": 39, "?": 63}
                        if e in simple:
                            buf.append(simple[e])
                            j += 2
                        elif e == "x":
                            k = j + 2
                            while k < n and src[k] in "0123456789abcdefABCDEF":
                                k += 1
                            buf.append(int(src[j + 2:k] or "0", 16) & 255)
                            j = k
                        elif e in "01234567":
                            k = j + 1
                            while k < n and k < j + 4 and src[k] in "01234567":
                                k += 1
                            buf.append(int(src[j + 1:k], 8) & 255)
                            j = k
                        else:
                            buf.extend(e.encode("utf-8", "surrogateescape"))
                            j += 2
                    else:
                        buf.extend(src[j].encode("utf-8", "surrogateescape"))
                        j += 1
                text, i = bytes(buf), j + 1
            while i < n and (src[i].isalnum() or src[i] == "_"):  # a suffix such as s or sv
                i += 1
            current = text if current is None else current + text
        else:
            # A u8, L or u prefix before a literal keeps the run going; anything else ends it.
            m = re.match(r"(u8|[LuU])(?=R?\")", src[i:])
            if m and not (i > 0 and (src[i - 1].isalnum() or src[i - 1] == "_")):
                i += len(m.group(1))
                continue
            flush()
            i += 1
    flush()
    return out


def literals(root, patterns):
    found = []
    for pattern in patterns:
        for path in sorted(root.glob(pattern)):
            found.extend(cpp_literals(path))
    return found


class Corpus:
    def __init__(self, out, name):
        self.folder = out / name
        if self.folder.exists():
            shutil.rmtree(self.folder)
        self.folder.mkdir(parents=True)
        self.count = 0

    def add(self, data):
        if isinstance(data, str):
            data = data.encode("utf-8", "surrogateescape")
        if len(data) > MAX_SEED:
            return
        name = hashlib.sha1(data).hexdigest()
        path = self.folder / name
        if not path.exists():
            path.write_bytes(data)
            self.count += 1


def scripts(root, out):
    texts = [p.read_bytes() for p in sorted(root.glob("bench/scripts/*.zc")) + sorted(root.glob("examples/*.zc"))]
    for zml in sorted(root.glob("skins/**/*.zml")):
        texts += re.findall(rb"<script[^>]*>(.*?)</script>", zml.read_bytes(), re.S)
    for text in literals(root, ["tests/compiler/*.cpp", "tests/app/*.cpp", "tests/tools/*.cpp", "tests/bindings/*.cpp"]):
        if len(text) >= 10 and re.search(rb"[;{}]", text) and not text.lstrip().startswith(b"<"):
            texts.append(text)
    for name in ("zcl_token", "zcl_compile"):
        corpus = Corpus(out, name)
        for text in texts:
            corpus.add(text)
        yield corpus


def interpreter(root, out):
    corpus = Corpus(out, "zil_interp")
    rng = random.Random(20261206)
    for size in (6, 60, 240, 600, 1200, 2400):
        for _ in range(4):
            corpus.add(bytes(rng.getrandbits(8) for _ in range(size)))
    yield corpus


def markup(root, out):
    corpus = Corpus(out, "zml_tagparser")
    for zml in sorted(root.glob("skins/**/*.zml")):
        corpus.add(zml.read_bytes())
    for text in literals(root, ["tests/zml/*.cpp", "tests/ztools/*.cpp", "tests/tools/*.cpp", "tests/bindings/*.cpp",
                                "tests/app/*.cpp"]):
        if (b"<" in text and b">" in text) or b"interface_" in text:
            corpus.add(text)
    yield corpus


def packages(root, out):
    corpus = Corpus(out, "resource_package")
    seven = shutil.which("7zz") or shutil.which("7z")
    if not seven:
        print("make-seeds: no 7-Zip program; the package target starts without packages", file=sys.stderr)
        yield corpus
        return
    source = (root / "tests/ztools/resourcepackage_test.cpp").read_text()
    switches = sorted(set(re.findall(r'"(-m[^"]*)"', source)))
    with tempfile.TemporaryDirectory() as temp:
        content = Path(temp) / "skin"
        (content / "scripts").mkdir(parents=True)
        (content / "empty folder").mkdir()
        shutil.copy(root / "skins/default/main.zml", content / "main.zml")
        shutil.copy(root / "examples/radio.zc", content / "scripts/radio.zc")
        (content / "empty.txt").write_bytes(b"")
        (content / "Grüße.txt").write_text("names are UTF-8\n")
        env = dict(os.environ, LC_ALL="C.UTF-8")
        for i, sw in enumerate(switches):
            archive = Path(temp) / f"p{i}.zpac"
            subprocess.run([seven, "a", "-t7z", "-bd", "-y", *sw.split(), str(archive), "."], cwd=content, env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
            corpus.add(archive.read_bytes())
    yield corpus


def playlists(root, out):
    corpus = Corpus(out, "playlist_parse")
    texts = literals(root, ["tests/audio/playlist_parse_test.cpp"])
    mimes = [b""] + [t for t in texts if re.fullmatch(rb"[a-z]+/[\w.+-]+(; ?[\w=-]+)?", t)]
    urls = [t for t in texts if re.match(rb"https?://", t) and b"\n" not in t] or [b"http://host/"]
    bodies = [t for t in texts if t not in mimes and t not in urls]
    # The test server's playlists: PLS entries written in reverse order, M3U one address a line.
    bodies += [b"[playlist]\nNumberOfEntries=2\nFile2=http://127.0.0.1:8000/b\nFile1=http://127.0.0.1:8000/a\n",
               b"http://127.0.0.1:8000/a\nhttp://127.0.0.1:8000/b\n"]
    for i, body in enumerate(bodies):
        for j, mime in enumerate(mimes):
            corpus.add(mime + b"\n" + urls[(i + j) % len(urls)] + b"\n" + body)
    yield corpus


def icy(root, out):
    corpus = Corpus(out, "icy_metadata")
    server = (root / "tests/audio/icy_server.py").read_text()
    headers = re.findall(r'send_header\("(icy-[\w-]+)", "([^"]*)"\)', server)
    header_text = "".join(f"{k}: {v}\r\n" for k, v in headers).encode() + b"icy-metaint: 16000\r\n"
    texts = literals(root, ["tests/app/stream_text_test.cpp", "tests/app/audio_script_classes_test.cpp", "tests/audio/*.cpp"])
    metas = [t for t in texts if b"StreamTitle" in t]
    oggs = [t for t in texts if re.search(rb"(?i)(artist|title)=", t) and b"StreamTitle" not in t]
    lists = [t for t in texts if t.startswith(b"icy-")]
    corpus.add(header_text)
    for t in lists:
        corpus.add(t.replace(b"\0", b"\n"))
    for i, meta in enumerate(metas):
        corpus.add(header_text + b"\0" + meta)
    for ogg in oggs:
        corpus.add(header_text + b"\0" + (metas[0] if metas else b"x") + b"\0" + ogg)
    yield corpus


def formats(root, out):
    corpus = Corpus(out, "string_format")
    texts = literals(root, ["tests/runtime/*.cpp", "tests/compiler/*.cpp"])
    found = sorted({t for t in texts if b"%" in t and len(t) < 80 and b"\0" not in t})
    values = [[b"i42"], [b"f3.14159"], [b"sabc"], [b"i-2147483648", b"f1e308"], [b"i1", b"i2", b"sx", b"f-0.5", b"n"],
              [b"a", b"fnan", b"finf"]]
    for i, fmt in enumerate(found):
        corpus.add(b"\0".join([fmt] + values[i % len(values)]))
    yield corpus


def xml(root, out):
    corpus = Corpus(out, "xml_document")
    for zml in sorted(root.glob("skins/**/*.zml")):
        corpus.add(zml.read_bytes())
    for text in literals(root, ["tests/bindings/xmlclasses_test.cpp"]):
        if b"<" in text and b">" in text:
            corpus.add(text)
    yield corpus


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make-seeds.py SOURCE-DIR OUT-DIR")
    root, out = Path(sys.argv[1]), Path(sys.argv[2])
    for make in (scripts, interpreter, markup, packages, playlists, icy, formats, xml):
        for corpus in make(root, out):
            print(f"make-seeds: {corpus.folder.name}: {corpus.count} seeds")


if __name__ == "__main__":
    main()
