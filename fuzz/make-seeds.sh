#!/usr/bin/env bash
# Writes small seed corpora, valid and broken files made here and now, for each fuzz target:
#   fuzz/make-seeds.sh [FOLDER]    (default build-fuzz/seeds), one sub-folder per target.
# Existing seed folders are replaced.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-fuzz/seeds}
mkdir -p "$out"
python3 - "$out" <<'PY'
import os
import shutil
import struct
import sys
import zlib

out = sys.argv[1]


def target(name, seeds):
    folder = os.path.join(out, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for i, data in enumerate(seeds):
        with open(os.path.join(folder, "seed-%03d" % i), "wb") as f:
            f.write(data)


def field(text, width, encoding="cp1252"):
    data = text.encode(encoding) if isinstance(text, str) else text
    return data[:width].ljust(width, b"\0")


def id3v1(title, artist, album, year, comment, track, genre, marker=b"TAG"):
    comment_bytes = field(comment, 28) + b"\0" if track is not None else field(comment, 30)
    track_byte = bytes([track]) if track is not None else b""
    return (marker + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) + comment_bytes
            + track_byte + bytes([genre]))


# ID3v1: whole tags, the text after the first NUL of a field, windows-1252 and its undefined bytes,
# a 30-byte comment, a missing marker, a short input and a tag followed by typed fields.
target("id3v1", [
    id3v1("Hey Jude", "Beatles, The", "White Album, The", "1968", "Not a bad song", 7, 17),
    id3v1("Caf\u00e9 \u20ac", "Bj\u00f6rk", "", "2001", "", 1, 255),
    id3v1(b"Short\0left over bytes", b"A\0B", b"\x81\x8d\x8f\x90\x9d", b"19\0\0", b"x\0y", 0, 0),
    id3v1("Title", "Artist", "Album", "1999", "a comment exactly thirty bytes", None, 12),
    id3v1("Title", "Artist", "Album", "1999", "comment", 200, 80, marker=b"TAX"),
    bytes(range(128)),
    b"\xff" * 128,
    b"TAG",
    id3v1("Song", "Band", "Record", "2020", "c", 3, 4) + b"typed title\\ typed artist\\ album\\ 2024\\ comment\\ 9\\ 1",
])


def id3v2(size_bytes, flags=0, version=b"\x03\x00"):
    return b"ID3" + version + bytes([flags]) + bytes(size_bytes)


def audio(n):
    return (b"\xff\xfb\x90\x00" + b"\x11" * 60) * (n // 64 + 1)


def frames_tag(version, flags, body):
    size = len(body)
    return b"ID3" + bytes([version, 0, flags]) + bytes([size >> 21 & 127, size >> 14 & 127, size >> 7 & 127, size & 127]) + body


def frame3(name, payload):
    return name + len(payload).to_bytes(4, "big") + b"\0\0" + payload


def frame4(name, payload):
    n = len(payload)
    return name + bytes([n >> 21 & 127, n >> 14 & 127, n >> 7 & 127, n & 127]) + b"\0\0" + payload


# ID3v2: headers with good sizes (audio right after), sizes past the file, refused size bytes,
# the footer flag, no audio byte after the tag, a short file and a lone header.
target("id3v2", [
    id3v2([0, 0, 0, 20]) + b"\0" * 20 + audio(200),
    id3v2([0, 0, 1, 0]) + b"T" * 128 + audio(200),
    id3v2([0, 0, 0, 20], flags=16) + b"\0" * 30 + audio(200),
    id3v2([0, 0, 0, 20], version=b"\x04\x00") + b"\0" * 20 + b"\x00" + audio(200),
    id3v2([0x7f, 0x7f, 0x7f, 0x7f]) + audio(200),
    id3v2([0x80, 0, 0, 0]) + audio(200),
    id3v2([0, 0, 0x80, 0]) + audio(200),
    id3v2([0, 0xff, 0, 0xff]) + audio(200),
    id3v2([0, 0, 0, 118]) + b"\0" * 118,
    id3v2([0, 0, 0, 5]) + b"\0" * 5 + b"\xff",
    id3v2([0, 0, 0, 0]),
    b"ID",
    audio(200),
    # Tags with frames for the fields' reading: 2.3 with text, comment and genre frames and
    # padding, 2.4 in UTF-8 with an extended header, 2.2, and a 2.3 one unsynchronised.
    frames_tag(3, 0, frame3(b"TIT2", b"\0Song") + frame3(b"TPE1", b"\1\xff\xfeA\0") + frame3(b"TCON", b"\0(17)")
               + frame3(b"COMM", b"\0engd\0Note") + bytes(20)) + audio(200),
    frames_tag(4, 0x40, bytes([0, 0, 0, 6, 1, 0]) + frame4(b"TIT2", b"\3\xc3\xa9t\xc3\xa9") + frame4(b"TDRC", b"\0" + b"2001")),
    frames_tag(2, 0, b"TT2" + bytes([0, 0, 5]) + b"\0Song" + b"TP1" + bytes([0, 0, 3]) + b"\0AB"),
    frames_tag(3, 0x80, frame3(b"TIT2", b"\0\xff\0a")) + audio(200),
])

genres = ["Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
          "New Age", "Oldies", "Other", "Pop", "Rhythm and Blues", "Rap", "Reggae", "Rock", "Techno", "Industrial"]
# The genre list: LF, CR LF and CR endings, UTF-8 with and without a mark, windows-1252, UTF-16 with
# both marks, an end marker inside, names equal but for case, empty lines, 255, 256 and 257 lines.
target("genres", [
    "\n".join(genres).encode(),
    "\r\n".join(genres).encode() + b"\r\n",
    "\r".join(genres).encode(),
    b"\xef\xbb\xbf" + "\n".join(genres + ["Caf\u00e9", "\u00c9lectro"]).encode(),
    "\r\n".join(genres + ["Caf\u00e9", "\u20ac uro"]).encode("cp1252"),
    b"\xff\xfe" + "\r\n".join(genres).encode("utf-16-le"),
    b"\xfe\xff" + "\n".join(genres).encode("utf-16-be"),
    "\n".join(genres[:5] + ["\\endoflist\\"] + genres[5:]).encode(),
    "\n".join(["Rock", "ROCK", "rock", "", "Pop", ""]).encode(),
    "\n".join("Genre %d" % i for i in range(255)).encode(),
    "\n".join("Genre %d" % i for i in range(256)).encode(),
    "\n".join("Genre %d" % i for i in range(257)).encode(),
    b"",
])

m3u = ["#EXTM3U", "#EXTINF:431,Beatles, The - Hey Jude", "/music/Beatles, The - Hey Jude.mp3",
       "#EXTINF:,No length", "relative/song.mp3", "#a comment", "", "C:\\Music\\windows.mp3",
       "#EXTINF:-1,Caf\u00e9 \u20ac", "Caf\u00e9.mp3"]
pls = ["[playlist]", "File1=/music/Beatles, The - Hey Jude.mp3", "Title1=Beatles, The - Hey Jude", "Length1=431",
       "File2=relative/untitled.mp3", "File3=C:\\Music\\x.mp3", "Length3=", "File4=Caf\u00e9.mp3",
       "Title4=Caf\u00e9 \u20ac", "NumberOfEntries=4", "Version=2"]
# M3U and PLS: CR LF, LF and CR endings; UTF-8, UTF-8 with a mark, windows-1252, UTF-16 with both
# marks; an "#EXTINF:" line without a comma; a header in other case; keys without "="; no header.
target("playlist", [
    "\r\n".join(m3u).encode() + b"\r\n",
    "\n".join(m3u).encode(),
    "\r".join(m3u).encode(),
    b"\xef\xbb\xbf" + "\r\n".join(m3u).encode(),
    "\r\n".join(m3u).encode("cp1252"),
    b"\xff\xfe" + "\r\n".join(m3u).encode("utf-16-le"),
    b"\xfe\xff" + "\n".join(m3u).encode("utf-16-be"),
    "\r\n".join(m3u[:3] + ["#EXTINF:broken", "/music/after.mp3"]).encode(),
    # Lines that are not UTF-8 beside lines that are, and paths written with backslashes.
    b"#EXTM3U\r\n#EXTINF:1,Caf\xe9\r\ncaf\xe9.mp3\r\n\xc3\xa9t\xe9\\x.mp3\r\nMusic\\Artist\\a.mp3\r\n\\b.mp3\r\n",
    "\r\n".join(pls).encode() + b"\r\n",
    "\n".join(pls).encode(),
    "\r\n".join(pls).encode("cp1252"),
    b"\xff\xfe" + "\r\n".join(pls).encode("utf-16-le"),
    "\r\n".join(["[PlayList]", "File1", "Title1", "FileX=a=b", "Length1=3"]).encode(),
    "\r\n".join(["#extm3u", "song.mp3"]).encode(),
    b"no header\r\nsong.mp3\r\n",
])


def escaped(text):
    # A string as FuzzedDataProvider's ConsumeRandomLengthString reads it, ended by "\" and a space.
    return text.encode().replace(b"\\", b"\\\\") + b"\\ "


formats = [("<a> - <t>", "Beatles, The - Hey Jude"), ("<k>. <t>", "07. Hey Jude"),
           ("<a> - <u> - <k> - <t>", "Beatles, The - White Album, The - 23 - Hey Jude"),
           ("<k> <t> (<y>) [<g>] <c>", "1 Song (1999) [Rock] fine"), ("<t>", ""), ("", "no format"),
           ("<a><t>", "glued"), ("x<a>x<t>x", "xAxTx"), ("<k>", "300"), ("<k>", "2.5"), ("<k>", "-0.4"),
           ("<a> - <t>", "no separator here"), ("<a><a><a>", "<t><t><t>"), ("<kk> - <t>", "03 - Hey Jude"),
           ("<k>-<kk><kkk>", "7-07<kkk>")]
# Format strings with matching and non-matching texts; the last byte is the flag (even: UTF-8).
target("format", [escaped(f) + t.encode() + b"\0" for f, t in formats]
       + [escaped("<a> - <t>") + "Caf\u00e9 - \u20ac".encode("utf-16-le") + b"\x01"])

# Renames: file name, title, separating format, recombining format.
renames = [("song.mp3", "Beatles, The - Hey Jude", "<a> - <t>", "<t> (<a>)"),
           ("track01.mp3", "07. Hey Jude", "<k>. <t>", "<k> - <t>"),
           ("a.mp3", "x/../y", "<t>", "<t>"), ("a.mp3", ".", "<t>", "<t>"), ("a", "..", "<t>", "<t>"),
           ("a.mp3", ".hidden", "<t>", "<t>"), ("a.mp3", "", "<t>", "<t>"), ("a.mp3", "x\0y", "<t>", "<t>"),
           ("noext", "Title", "<t>", "<a> - <t>"), ("a.mp3", "300 Song", "<k> <t>", "<t>"),
           ("a.mp3", "3 - Hey Jude", "<k> - <t>", "<kk>. <t>")]
target("rename", [b"".join(escaped(part) for part in r) for r in renames])

# Paths: the first byte chooses UTF-8 (even) or raw UTF-16 (odd); a NUL separates the second text.
paths = [b"\0/music/a b/song.mp3\0/folder", b"\0C:\\Music\\x.mp3\0D:\\", b"\0\\relative\\x.mp3\0C:\\Music",
         b"\0song.tar.gz\0.", b"\0  \t trimmed \t\0\0", b"\0caf\xe9/\xff\xfe.mp3\0\xc3", b"\0/\0/",
         b"\0a.b/c\0b", b"\0\0", b"\x01" + "/music/Caf\u00e9.mp3".encode("utf-16-le"),
         b"\xed\xa0\x80\xf4\x90\x80\x80\xc0\xaf"]
target("paths", paths)


# Batch files of the undo journal, in the layout docs/journal.md describes.
def record(payload):
    return struct.pack("<II", len(payload), zlib.crc32(payload)) + payload


def blob(data):
    return struct.pack("<I", len(data)) + data


def fingerprint(size, crc=0):
    return struct.pack("<QQQQIB", 2049, 77, size, 1700000000000000000, crc, 1)


header = b"SONDJRNL" + struct.pack("<I", 1)
begin = record(b"\x01" + struct.pack("<QQBQQ", 1, 1700000000000, 1, 0, 0) + blob(b"File Name = Tag, 2 files"))
tail_step = record(b"\x02" + struct.pack("<IB", 0, 1) + blob(b"/music/a.mp3") + blob(b"")
                   + struct.pack("<QQQ", 2049, 77, 3128) + blob(b"TAG" + b"\0" * 125) + struct.pack("<QQI", 0, 0, 0))
rename_step = record(b"\x02" + struct.pack("<IB", 1, 3) + blob(b"/music/a.mp3") + blob(b"/music/b.mp3")
                     + struct.pack("<QQQ", 0, 0, 2 ** 64 - 1) + blob(b"") + struct.pack("<QQI", 0, 0, 0))
done = record(b"\x03" + struct.pack("<I", 0) + fingerprint(3128, 12345))
refused = record(b"\x04" + struct.pack("<QI", 3, 0) + blob(b"/music/c.mp3") + blob(b"it has changed since"))
repair = record(b"\x05" + struct.pack("<IB", 1, 2) + fingerprint(-1 & (2 ** 64 - 1)) + blob(b""))
end = record(b"\x06\x00")
whole = header + begin + tail_step + rename_step + done + refused + repair + end
target("journal", [whole, header + begin + tail_step, whole[:len(whole) // 2], header,
                   b"SONDJRNL" + struct.pack("<I", 2) + begin[4:], header + end])
PY
echo "Seeds written to $out/"
