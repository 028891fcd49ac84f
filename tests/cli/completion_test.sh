#!/usr/bin/env bash
# rq36's bash completion offers commands, keys, channels and option values.
# bash-completion's own helpers are stood in for by the least that the
# completion needs of them, so the test runs without the package.
#   completion_test.sh <completion file>
set -uo pipefail
_init_completion() {
    words=("${COMP_WORDS[@]}") cword=$COMP_CWORD
    cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
}
_filedir() { :; }
compopt() { :; }
# shellcheck source=/dev/null
source "$1"
status=0
expect() {  # expect "<words, the last being completed>" "<offers>"
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _rq36
    local got="${COMPREPLY[*]}"
    if [ "$got" != "$2" ]; then echo "FAIL '$1': '$got' (expected '$2')"; status=1; fi
}
expect "rq36 i" "identify"
expect "rq36 --interface orsg s" "status scan snapshot"
expect "rq36 --interface o" "orsb orsc orsd orse orsg"
expect "rq36 --format csv read c" "c01 c12 c20 c34 c45 c53 cnt0 cnt1"
expect "rq36 config " "get set"
expect "rq36 config get ain5" "ain5.range"
expect "rq36 config set dout." "dout.negate= dout.initial="
expect "rq36 counter cnt1 p" "preset"
expect "rq36 read --int" "--interface --interval"
expect "rq36 status --c" "--card-bus --card-slot --channel --clear"
expect "rq36 scan --f" "--format --first"
expect "rq36 scan --parities " "none even odd"
exit $status
