#!/bin/bash
# The manual page, the bash completion and the README follow the declared
# options: every command of `ardv-cli --help` has its section in ardv-cli(1)
# giving every option of its synopsis, the completion offers the command and
# exactly those options, and the README's table names no other.
# usage: manual_test.sh ARDV_CLI SOURCE_DIR
set -u
cli=$1
page=$(sed 's/\\-/-/g; s/\\(en/-/g' "$2/data/man/ardv-cli.1")
# The completion runs the program by name, as installed.
PATH="$(cd "$(dirname "$cli")" && pwd):$PATH"
source "$2/data/completion/ardv-cli"
offered() {  # the completion's words after "ardv-cli $*"
  COMP_WORDS=(ardv-cli "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _ardv_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
readme=$(awk '/^## The command line/ {on = 1; next} /^## / {on = 0} on && /^\| `/' "$2/README.md")
failed=0
help=$("$cli" --help) || { echo "ardv-cli --help failed"; exit 1; }
commands=$(printf '%s\n' "$help" | awk '/^Commands:/ {on = 1; next} on && /^  [a-z]/ {print $1}')
[ -n "$commands" ] || { echo "no commands in ardv-cli --help"; exit 1; }
top=$(offered "")
for c in $commands; do
  printf '%s\n' "$page" | grep -qx ".SS $c" || { echo "ardv-cli(1) has no section for $c"; failed=1; }
  printf '%s\n' "$top" | grep -qx -- "$c" || { echo "the completion does not offer $c"; failed=1; }
  section=$(printf '%s\n' "$page" | awk -v c="$c" '$0 == ".SS " c {on = 1; next} /^\.S[SH]/ {on = 0} on')
  options=$(printf '%s\n' "$help" | awk -v c="$c" '$1 == c {print; exit}' | grep -oE -- '(^|[ [])--?[a-z0-9-]+' |
            tr -d ' [' | sort -u)
  for option in $options; do
    printf '%s\n' "$section" | grep -q -- "$option" || { echo "ardv-cli(1) does not give $option of $c"; failed=1; }
  done
  [ "$(offered "$c" -)" = "$options" ] || { echo "the completion of $c offers $(offered "$c" - | tr '\n' ' ')"; failed=1; }
  # The README's table may leave options out, but names none that is not declared.
  for option in $(printf '%s\n' "$readme" | grep -o -- "\`$c [^\`]*\`" | grep -oE -- '(^|[ [(])--?[a-z0-9-]+' |
                  tr -d ' [(' | sort -u); do
    printf '%s\n' "$options" | grep -qx -- "$option" || { echo "README.md gives $option of $c"; failed=1; }
  done
done
exit $failed
