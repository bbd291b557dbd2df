#!/usr/bin/env bash
# The installed tree: every file where the desktop and the man command look for it, and the
# installed programs working from another folder with no build folder beside them.
#   InstallTest.sh BUILD-FOLDER SOURCE-FOLDER VERSION WINDOW(0|1)
set -uo pipefail
build=$1 source=$2 version=$3 window=$4
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAILED: cmake --install"; exit 1; }

# Where each file belongs under the prefix.
expected=(
    bin/sondrel-cli
    share/sondrel/Genres.lst
    share/sondrel/sondrel-help.html
    share/man/man1/sondrel-cli.1
    share/bash-completion/completions/sondrel-cli
    share/doc/sondrel/copyright
)
if [ "$window" = 1 ]; then
    expected+=(
        bin/sondrel
        share/man/man1/sondrel.1
        share/applications/sondrel.desktop
        share/metainfo/invalid.sondrel.sondrel.metainfo.xml
        share/icons/hicolor/scalable/apps/sondrel.svg
    )
    for size in 16 32 48 64 128 256; do
        expected+=("share/icons/hicolor/${size}x${size}/apps/sondrel.png")
    done
fi
for file in "${expected[@]}"; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
[ -e "$prefix/bin/Genres.lst" ] && fail "the genre list is installed beside the programs, not in share/sondrel"

# The whole genre list, numbered from 0, as the installed program finds it from another folder.
want=$(tr -d '\r' <"$source/data/Genres.lst" | awk '{ printf "%d\t%s\n", NR - 1, $0 }')
got=$(cd / && "$prefix/bin/sondrel-cli" genres 2>"$prefix/err")
status=$?
[ "$status" -eq 0 ] || fail "sondrel-cli genres exited with $status"
[ -s "$prefix/err" ] && fail "sondrel-cli genres printed: $(cat "$prefix/err")"
[ "$got" = "$want" ] || fail "sondrel-cli genres printed $(wc -l <<<"$got") lines, not the $(wc -l <<<"$want") of Genres.lst:
$(diff <(echo "$want") <(echo "$got") | head -5)"

# A file's tag, read from another folder: "Band - Song" and no ID3v2 tag.
song="$prefix/song.mp3"
{ printf '\377\373\220\000'; head -c 300 /dev/zero; printf 'TAG%-30s%-30s%-30s%-4s%-28s\000\007\021' Song Band Album 1999 ''; } >"$song"
got=$(cd / && "$prefix/bin/sondrel-cli" info "$song" 2>&1)
[ "$got" = "$song	Band - Song	No" ] || fail "sondrel-cli info printed: $got"

# The version, from project() in CMakeLists.txt.
got=$("$prefix/bin/sondrel-cli" --version)
[ "$got" = "sondrel-cli $version" ] || fail "sondrel-cli --version printed: $got"
if [ "$window" = 1 ]; then
    got=$("$prefix/bin/sondrel" --version)
    [ "$got" = "sondrel $version" ] || fail "sondrel --version printed: $got"
fi

# Completion: what bash offers after each start of a command line (only where bash-completion is).
completion=/usr/share/bash-completion/bash_completion
if [ -f "$completion" ]; then
    mkdir "$prefix/music" && touch "$prefix/music/a.mp3" "$prefix/music/b.m3u"
    cases=(
        # the words of the command line as typed, split at ";" (the last one is completed) | the offers, sorted
        "sondrel-cli;na|name-from-tag"
        "sondrel-cli;remove;--id|--id3v1 --id3v2"
        "sondrel-cli;playlist;--|--help --json --mismatched --no-tags --tag"
        "sondrel-cli;name-from-tag;--tag;id3v|id3v1 id3v2"
        "sondrel-cli;prune;--duplicates;t|title"
        "sondrel-cli;copy;--on-collision;k|keep-both"
        "sondrel-cli;copy-tag;--to;id3v|id3v1 id3v2"
        "sondrel-cli;write;--genre;Rock\\ &|Rock\\ \\&\\ Roll"
        "sondrel-cli;info;music/|music/a.mp3 music/b.m3u"
        "sondrel-cli;convert;music/|music/b.m3u"
        "sondrel-cli;genres;|"
        "sondrel-cli;un|undo"
        "sondrel-cli;redo;--|--dry-run --help --journal-limit"
        "sondrel-cli;convert;--no|--no-journal"
    )
    for case in "${cases[@]}"; do
        line=${case%%|*} want=${case#*|}
        got=$(cd "$prefix" && PATH="$prefix/bin:$PATH" bash -c '
            source "$1"; source "$2"
            IFS=";" read -ra COMP_WORDS <<<"$3"
            [[ $3 == *";" ]] && COMP_WORDS+=("")
            COMP_LINE=${3//;/ } && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_POINT=${#COMP_LINE}
            _sondrel_cli sondrel-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " "' _ \
            "$completion" "$prefix/share/bash-completion/completions/sondrel-cli" "$line")
        [ "$got" = "$want" ] || fail "completing \"$line\" offered \"$got\", not \"$want\""
    done
else
    echo "Completion not checked: $completion is missing (Debian package bash-completion)."
fi

# The window starts offscreen from another folder and runs until stopped, with nothing to say.
if [ "$window" = 1 ]; then
    # A desktop session provides a private runtime folder; give one, so that the toolkit has no cause to warn.
    mkdir -m 700 "$prefix/runtime"
    (cd / && XDG_RUNTIME_DIR="$prefix/runtime" QT_QPA_PLATFORM=offscreen timeout 3 "$prefix/bin/sondrel" >"$prefix/out" 2>&1)
    status=$?
    [ "$status" -eq 124 ] || fail "sondrel stopped by itself with status $status"
    [ -s "$prefix/out" ] && fail "sondrel printed: $(cat "$prefix/out")"
fi

[ "$failures" -eq 0 ] || exit 1
echo "The installed tree is complete and its programs run from another folder."
