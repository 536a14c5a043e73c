#!/bin/bash
# The manual page and the bash completion follow the program: every command
# of `ardv-cli --help` has its section in ardv-cli(1) and its name in the
# completion, and every option of its synopsis is in the manual.
# usage: manual_test.sh ARDV_CLI SOURCE_DIR
set -u
cli=$1
page=$(sed 's/\\-/-/g; s/\\(en/-/g' "$2/data/man/ardv-cli.1")
completion=$(grep '^  local commands=' "$2/data/completion/ardv-cli")
failed=0
help=$("$cli" --help) || { echo "ardv-cli --help failed"; exit 1; }
commands=$(printf '%s\n' "$help" | awk '/^Commands:/ {on = 1; next} on && /^  [a-z]/ {print $1}')
[ -n "$commands" ] || { echo "no commands in ardv-cli --help"; exit 1; }
for c in $commands; do
  printf '%s\n' "$page" | grep -qx ".SS $c" || { echo "ardv-cli(1) has no section for $c"; failed=1; }
  printf '%s\n' "$completion" | grep -qw -- "$c" || { echo "the completion does not offer $c"; failed=1; }
  section=$(printf '%s\n' "$page" | awk -v c="$c" '$0 == ".SS " c {on = 1; next} /^\.S[SH]/ {on = 0} on')
  for option in $(printf '%s\n' "$help" | awk -v c="$c" '$1 == c' | grep -o -- '--[a-z0-9-]*' | sort -u); do
    printf '%s\n' "$section" | grep -q -- "$option" || { echo "ardv-cli(1) does not give $option of $c"; failed=1; }
  done
done
exit $failed
