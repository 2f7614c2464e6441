#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the licence and the notices that ship with the Windows program into a folder:
LICENSE.txt (the program's own licence), THIRD-PARTY-NOTICES.txt (what the program file
holds of others' work, under which licence) and licences/ (their licence texts).

The program links Qt, Qt's bundled libraries and MinGW-w64's runtime statically. Qt's parts
are described by the attribution files in Qt's own source (qt_attribution.json), read from
the very source the program was built with; Debian's copyright files for qt6-base, MinGW-w64
and GCC are shipped as they are, since they list every file's licence. Text files get
Windows line ends."""
import argparse
import json
import re
from pathlib import Path

# Qt's bundled code that Qt Core, Qt GUI, Qt Widgets and the plugins linked in (Windows
# platform, Vista style, and the GIF, ICO and JPEG image formats that a static Qt adds by
# default) hold in this build, by attribution id. Left out: what belongs to other
# platforms (Android, macOS, WebAssembly, XCB, Unix's forkfd, ARM's pixman) and to
# features that are off (network, D-Bus, Vulkan, OpenGL).
QT_PARTS = [
    "unicode-character-database", "unicode-cldr", "siphash",
    "doubleconversion", "easing", "tinycbor", "zlib", "pcre2", "pcre2-sljit",
    "blake2", "md4", "md5", "sha1", "sha3_endian", "sha3_keccak", "rfc6234",
    "libpng", "libjpeg", "freetype", "freetype-zlib", "freetype-bdf", "freetype-pcf", "harfbuzz-ng",
    "md4c", "icc-sRGB-color-profile", "grayraster", "smooth-scaling-algorithm",
    "xserverhelper", "aglfn",
]


def read_text(path):
    return Path(path).read_text(encoding="utf-8", errors="replace")


def write_text(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\r\n") as out:
        out.write(text if text.endswith("\n") else text + "\n")


def attributions(qt_source):
    """Every attribution under src/, by id, with the folder it lies in."""
    found = {}
    for file in sorted(Path(qt_source, "src").rglob("qt_attribution.json")):
        entries = json.loads(file.read_text(encoding="utf-8"), strict=False)
        for entry in entries if isinstance(entries, list) else [entries]:
            found[entry["Id"]] = (file.parent, entry)
    return found


def licence_files(entry):
    files = entry.get("LicenseFiles") or []
    return files + ([entry["LicenseFile"]] if entry.get("LicenseFile") else [])


def copyright_of(folder, entry):
    if entry.get("CopyrightFile"):
        return read_text(folder / entry["CopyrightFile"]).strip()
    return entry.get("Copyright", "").strip()


def indent(text, by="      "):
    return "\n".join(by + line if line else line for line in text.splitlines())


def qt_part_notices(qt_source, output):
    known = attributions(qt_source)
    missing = [part for part in QT_PARTS if part not in known]
    if missing:
        raise SystemExit(f"Qt's source at {qt_source} has no attribution for: {', '.join(missing)}")
    sections = []
    for part in QT_PARTS:
        folder, entry = known[part]
        texts = []
        for name in licence_files(entry):
            target = Path("licences", "Qt", f"{part}-{Path(name).stem}.txt")
            write_text(output / target, read_text(folder / name))
            texts.append(str(target).replace("/", "\\"))
        title = entry["Name"] + (f" {entry['Version']}" if entry.get("Version") else "")
        lines = [f"  {title}", f"    Licence: {entry['License']}"]
        if texts:
            lines.append(f"    Text: {', '.join(texts)}")
        if copyright_of(folder, entry):
            lines += ["    Copyright:", indent(copyright_of(folder, entry))]
        sections.append("\n".join(lines))
    freetype_years = re.findall(r"\b(?:19|20)\d\d\b", copyright_of(*known["freetype"]))
    return sections, max(freetype_years)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", required=True, help="the program's version")
    parser.add_argument("--homepage", required=True, help="where the program's source is published")
    parser.add_argument("--licence", required=True, help="the program's LICENSE file")
    parser.add_argument("--qt-source", required=True, type=Path)
    parser.add_argument("--qt-version", required=True)
    parser.add_argument("--qt-debian-version", required=True)
    parser.add_argument("--qt-debian-copyright", required=True)
    parser.add_argument("--mingw-version", required=True)
    parser.add_argument("--mingw-debian-copyright", required=True)
    parser.add_argument("--gcc-version", required=True)
    parser.add_argument("--gcc-debian-copyright", required=True)
    parser.add_argument("output", type=Path)
    args = parser.parse_args()
    out = args.output

    write_text(out / "LICENSE.txt", read_text(args.licence))
    for name in ["LGPL-3.0-only", "GPL-2.0-only", "GPL-3.0-only"]:
        write_text(out / "licences" / "Qt" / f"{name}.txt",
                   read_text(args.qt_source / "LICENSES" / f"{name}.txt"))
    write_text(out / "licences" / "Qt" / "debian-copyright.txt", read_text(args.qt_debian_copyright))
    write_text(out / "licences" / "MinGW-w64" / "debian-copyright.txt",
               read_text(args.mingw_debian_copyright))
    write_text(out / "licences" / "GCC" / "debian-copyright.txt", read_text(args.gcc_debian_copyright))
    parts, freetype_year = qt_part_notices(args.qt_source, out)

    notice = f"""Corvandel Pitch Suite {args.version} for Windows: third-party notices

Corvandel Pitch Suite is free software under the GNU General Public License, version 3
or (at your option) any later version; see LICENSE.txt. Its source, with the commands
that build this program, is published at {args.homepage}.

"Corvandel Pitch Suite.exe" holds, linked in statically, the following work of others.
Their licence texts are in the folder "licences".

Qt {args.qt_version}: Qt Core, Qt GUI, Qt Widgets, the Windows platform plugin, the
Windows Vista style plugin and the GIF, ICO and JPEG image plugins
  Built from Debian's qt6-base source package, version {args.qt_debian_version}
  (https://sources.debian.org/src/qt6-base/{args.qt_debian_version}/), with the one change
  in scripts/lib/qt-patches/ of the program's source.
  Licence: GNU Lesser General Public License, version 3 (licences\\Qt\\LGPL-3.0-only.txt,
  which adds to licences\\Qt\\GPL-3.0-only.txt); Qt is also offered under the GNU GPL,
  version 2 or 3. Debian's list of the copyright holders and licences of every file of
  the source package: licences\\Qt\\debian-copyright.txt.
  You may link the program with a changed Qt: build Qt and the program from their
  sources as the program's scripts/windows does.

Code of others that Qt holds:

{chr(10).join(parts)}

  Portions of this software are copyright (c) {freetype_year} The FreeType Project
  (www.freetype.org). All rights reserved.
  This software is based in part on the work of the Independent JPEG Group.

MinGW-w64 {args.mingw_version}: the C run-time start-up code and winpthreads
  Licences: the Zope Public License 2.1, the MIT licence and others, file by file, as
  Debian lists them in licences\\MinGW-w64\\debian-copyright.txt.

GCC {args.gcc_version}: its run-time libraries (libstdc++, libgcc)
  Licence: GNU General Public License, version 3, with the GCC Runtime Library Exception,
  version 3.1, which allows them in a program under any licence
  (licences\\GCC\\debian-copyright.txt).
"""
    write_text(out / "THIRD-PARTY-NOTICES.txt", notice)


if __name__ == "__main__":
    main()
