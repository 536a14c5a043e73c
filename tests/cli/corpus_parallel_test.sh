#!/bin/sh
# The corpus commands sharded over GNU parallel: the union of the shards'
# outputs equals the unsharded run's (search lists merged by concatenation,
# pitch files by directory). Skipped (77) without parallel, except in CI.
# usage: corpus_parallel_test.sh ARDV_CLI DATA_DIR
set -u
cli=$1
if ! command -v parallel > /dev/null 2>&1; then
  echo "GNU parallel is not installed (apt-get install parallel)"
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$2" "$work/home" && mkdir -p "$work/home/temp" "$work/corpus" "$work/f0" || exit 1
export ARDV_HOME="$work/home"
for k in 1 2 3 4 5 6 7; do
  cp "$2/examples/example.wav" "$work/corpus/s$k.wav" && cp "$2/examples/example.wav" "$work/f0/s$k.wav" || exit 1
done
failed=0
fail() { echo "$*"; failed=1; }

"$cli" search "$work/corpus" --phonemes '[V];[plos],[V]' --max 1000 --list "$work/all.tsv" > /dev/null ||
  fail "unsharded search failed"
parallel --will-cite --jobs 2 "$cli" search "$work/corpus" --phonemes "'[V];[plos],[V]'" --max 1000 \
  --shard {}/3 --list "$work/part{}.tsv" ::: 1 2 3 > /dev/null || fail "a search shard failed"
sort "$work/all.tsv" > "$work/all.sorted"
cat "$work"/part*.tsv | sort > "$work/parts.sorted"
[ -s "$work/all.sorted" ] || fail "the unsharded search found nothing"
cmp -s "$work/all.sorted" "$work/parts.sorted" || fail "the search shards differ from the whole run"

# The same list given on standard input, pitch files merged by directory.
"$cli" f0-corpus "$work/corpus" --jobs 1 > /dev/null || fail "unsharded f0-corpus failed"
ls "$work"/f0/*.wav > "$work/list"
parallel --will-cite --jobs 2 "$cli" f0-corpus --files-from - --jobs 1 --shard {}/2 "<" "$work/list" ::: 1 2 \
  > /dev/null || fail "an f0-corpus shard failed"
for k in 1 2 3 4 5 6 7; do
  cmp -s "$work/corpus/s$k.pit" "$work/f0/s$k.pit" || fail "s$k.pit differs between the sharded and whole runs"
done
exit $failed
