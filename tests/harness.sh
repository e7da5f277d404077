# Shared by the script tests: a scratch folder, pass and fail counting, and a few
# byte helpers. Source it after `set -euo pipefail`; end with `finish`.

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

passed=0
failed=0
pass() { passed=$((passed + 1)); echo "ok   - $1"; }
fail() { failed=$((failed + 1)); echo "FAIL - $1"; }

# check DESCRIPTION COMMAND...: passes when the command succeeds; its output is shown
# only on failure.
check() {
    local what=$1
    shift
    if "$@" >log 2>&1; then pass "$what"; else fail "$what"; sed 's/^/       /' log; fi
}

# Writes the bytes given as hex on stdin to a file.
unhex() { tr -d ' \n' | xxd -r -p >"$1"; }
# The bytes of a file from an offset, for a length, as hex.
hex_at() { xxd -p -s "$2" -l "$3" "$1" | tr -d '\n'; }
file_size() { stat -c %s "$1"; }

finish() {
    echo "$passed passed, $failed failed"
    [[ $failed -eq 0 ]]
}
