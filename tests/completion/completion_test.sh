#!/usr/bin/env bash
# The shell completions of completions/ against the program they complete:
# each offers exactly the options that `torvane --help` lists, so a new option
# cannot be forgotten there, and the bash one, run in a bash started here,
# completes options, their values and model files.
#
#   completion_test.sh TORVANE COMPLETIONS_DIR
set -euo pipefail
torvane=$(realpath "$1")
completions=$(realpath "$2")
failures=0

fail() {
    printf 'FAIL: %s\n' "$*" >&2
    failures=$((failures + 1))
}

# Compares two lists given one item per line.
expect() {
    local what=$1 expected=$2 actual=$3
    [[ $actual == "$expected" ]] ||
        fail "$what: expected [${expected//$'\n'/, }], got [${actual//$'\n'/, }]"
}

# "  -o, --output-dir DIR   write ..." lists -o and --output-dir.
help_options() {
    "$torvane" --help | tr -d '\r' | awk '/^  -/ {
        synopsis = substr($0, 3)
        end = index(synopsis, "  ")
        if (end) synopsis = substr(synopsis, 1, end - 1)
        n = split(synopsis, parts, ", ")
        for (i = 1; i <= n; ++i) { split(parts[i], words, " "); print words[1] }
    }' | sort -u
}

# The option descriptions of _arguments: '--ascii[...]', '(-j --jobs)'{-j+,--jobs=}'[...]'
# or '(- *)--version[...]' name options; '*:model:...' does not.
zsh_options() {
    awk '/^[ \t]*\x27/ {
        entry = $0
        sub(/^[ \t]*\x27/, "", entry)
        sub(/^\([^)]*\)\x27?/, "", entry)
        if (entry ~ /^\{/) {
            n = split(substr(entry, 2, index(entry, "}") - 2), names, ",")
        } else {
            n = 1
            names[1] = substr(entry, 1, index(entry, "[") - 1)
        }
        for (i = 1; i <= n; ++i) {
            name = names[i]
            sub(/[+=-]+$/, "", name)
            if (name ~ /^-/) print name
        }
    }' "$completions/_torvane" | sort -u
}

fish_options() {
    awk '$1 == "complete" {
        for (i = 2; i < NF; ++i) {
            if ($i == "-s") print "-" $(i + 1)
            if ($i == "-l") print "--" $(i + 1)
        }
    }' "$completions/torvane.fish" | sort -u
}

# What the bash completion replies, sorted, when the last of the words given
# is being completed in directory $models.
bash_replies() {
    (cd "$models" && bash --norc --noprofile -c '
        source "$1"
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        _torvane
        ((${#COMPREPLY[@]} == 0)) || printf "%s\n" "${COMPREPLY[@]}"' \
        completion "$completions/torvane.bash" torvane "$@") | LC_ALL=C sort
}

options=$(help_options)
grep -qx -- --help <<<"$options" || fail "no options read from torvane --help: [$options]"
# zsh's _arguments -S and fish handle "--" themselves.
expect "zsh options" "$(grep -vx -- -- <<<"$options")" "$(zsh_options)"
expect "fish options" "$(grep -vx -- -- <<<"$options")" "$(fish_options)"
if command -v zsh >/dev/null; then
    zsh -n "$completions/_torvane" || fail "_torvane is not valid zsh"
fi
if command -v fish >/dev/null; then
    expect "fish's own completion of -" "$(grep -vx -- -- <<<"$options")" \
        "$(fish --no-config -c 'source $argv[1]; complete -C "torvane -"' "$completions/torvane.fish" |
            cut -f 1 | sort -u)"
fi

models=$(mktemp -d)
trap 'rm -rf "$models"' EXIT
mkdir "$models/models" "$models/output.obj"
touch "$models/crate.obj" "$models/Box.OBJ" "$models/two words.obj" "$models/notes.txt" \
    "$models/crate.obj.txt" "$models/-dash.obj" "$models/models/inner.obj"

expect "bash options" "$options" "$(bash_replies - | LC_ALL=C sort -u)"
expect "bash, --se" "--seed" "$(bash_replies --se)"
expect "bash, models" "$(printf '%s\n' -dash.obj Box.OBJ crate.obj models output.obj 'two words.obj')" "$(bash_replies '')"
expect "bash, models in a directory" "models/inner.obj" "$(bash_replies models/)"
expect "bash, a model after an option" "crate.obj" "$(bash_replies --ascii cr)"
expect "bash, after --" "-dash.obj" "$(bash_replies -- -)"
expect "bash, -o" "$(printf '%s\n' models output.obj)" "$(bash_replies --ascii -o '')"
expect "bash, --output-dir=m" "models" "$(bash_replies --output-dir = m)"
expect "bash, --output-dir=" "$(printf '%s\n' =models =output.obj)" "$(bash_replies --output-dir =)"
expect "bash, --seed" "" "$(bash_replies --seed '')"
expect "bash, --jobs=" "" "$(bash_replies --jobs = '')"

((failures == 0)) || exit 1
echo "completions agree with torvane --help; bash completes options, values and models"
