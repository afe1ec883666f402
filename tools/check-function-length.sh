#!/usr/bin/env bash
# Checks that no function of the product is longer than 60 lines, counted
# from the first line of its signature to its closing brace. Functions are
# found by brace depth, after comments, strings, character literals and
# preprocessor lines are taken out: a brace block whose head (the text since
# the last ';', '{' or '}') holds a parameter list and no '=' outside it is a
# function, unless it starts a namespace, class, struct, union, enum or extern
# block; a function's own blocks and lambdas count as part of it. (For this
# codebase's clang-format style; its results agree with ctags's end lines.)
#     bash tools/check-function-length.sh            the product's folders
#     bash tools/check-function-length.sh FILE...    these files
#     bash tools/check-function-length.sh -a FILE... every function and its length
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
max_lines=60
all=0
if [ "${1:-}" = -a ]; then
    all=1
    shift
fi
if [ $# -eq 0 ]; then
    cd "$root"
    mapfile -t files < <(find hook core taskbar engine config app -type f \
        \( -name '*.cpp' -o -name '*.h' \) | sort)
    set -- "${files[@]}"
fi

# "FILE:LINE LENGTH NAME" for every function, one a line.
lengths() {
    awk '
    # The line with its comments, strings and characters blanked; block
    # comments may run over lines (state in `incomment`).
    function clean(line,    out, i, c, n, q) {
        out = ""; n = length(line)
        for (i = 1; i <= n; i++) {
            c = substr(line, i, 1)
            if (incomment) {
                if (c == "*" && substr(line, i + 1, 1) == "/") { incomment = 0; i++ }
                continue
            }
            if (c == "/" && substr(line, i + 1, 1) == "/") break
            if (c == "/" && substr(line, i + 1, 1) == "*") { incomment = 1; i++; continue }
            if (c == "\"" || c == "\047") {
                q = c
                for (i++; i <= n; i++) {
                    c = substr(line, i, 1)
                    if (c == "\\") { i++; continue }
                    if (c == q) break
                }
                out = out " "
                continue
            }
            out = out c
        }
        return out
    }
    FNR == 1 { depth = 0; fdepth = -1; head = ""; headline = 0; incomment = 0; continuation = 0 }
    {
        if (continuation || (!incomment && $0 ~ /^[[:space:]]*#/)) {
            continuation = ($0 ~ /\\$/)
            next
        }
        line = clean($0)
        # An access label belongs to no head.
        if (line ~ /^[[:space:]]*(public|private|protected)[[:space:]]*:[[:space:]]*$/) next
        n = length(line)
        for (i = 1; i <= n; i++) {
            c = substr(line, i, 1)
            if (c == "{") {
                if (fdepth < 0 && kind_depth[depth] != "data") {
                    h = head
                    # A default argument is no initialiser: only what lies
                    # outside the parentheses tells data from a function.
                    outer = h
                    while (gsub(/\([^()]*\)/, "", outer) > 0) {}
                    if (h ~ /(^|[^[:alnum:]_])(namespace|extern)([^[:alnum:]_]|$)/ ||
                        h ~ /(^|[^[:alnum:]_])(class|struct|union|enum)([^[:alnum:]_]|$)/ && h !~ /\(/) {
                        kind_depth[depth + 1] = "scope"
                    } else if (h ~ /\(/ && (outer !~ /=/ || h ~ /operator/)) {
                        kind_depth[depth + 1] = "function"
                        fdepth = depth; fstart = headline ? headline : FNR
                        fname = h; sub(/\(.*/, "", fname); gsub(/^[[:space:]]+|[[:space:]]+$/, "", fname)
                        nwords = split(fname, words, /[[:space:]*&]+/); fname = words[nwords]
                    } else {
                        kind_depth[depth + 1] = "data"
                    }
                } else if (fdepth < 0) {
                    kind_depth[depth + 1] = "data"
                }
                depth++
                head = ""; headline = 0
            } else if (c == "}") {
                depth--
                if (fdepth >= 0 && depth == fdepth) {
                    printf "%s:%d %d %s\n", FILENAME, fstart, FNR - fstart + 1, fname
                    fdepth = -1
                }
                head = ""; headline = 0
            } else if (c == ";") {
                head = ""; headline = 0
            } else {
                if (c !~ /[[:space:]]/ && headline == 0) headline = FNR
                head = head c
            }
        }
        head = head " "
    }' "$@"
}

if [ "$all" = 1 ]; then
    lengths "$@"
    exit 0
fi

found=$(lengths "$@")
over=$(awk -v max="$max_lines" '$2 > max' <<<"$found")
failed=0
while read -r where length name; do
    [ -n "$where" ] || continue
    echo "check-function-length: $where $name is $length lines, more than $max_lines" >&2
    failed=1
done <<<"$over"
[ "$failed" = 0 ] || exit 1
longest=$(sort -k2,2n <<<"$found" | tail -1)
echo "check-function-length: $(wc -l <<<"$found") functions, none over $max_lines lines" \
    "(the longest: $longest)"
