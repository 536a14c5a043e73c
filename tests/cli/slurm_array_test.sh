#!/bin/bash
# The corpus commands as Slurm job arrays, on a one-node cluster that this test
# starts (munge and Slurm daemons configured in a temporary directory) and
# stops: the union of the array tasks' outputs equals the unsharded run.
# Needs root (the daemons) and Debian's slurm-wlm and munge; fails with the
# reason when they cannot start. Without slurm-wlm it is skipped (77) outside CI.
# usage: slurm_array_test.sh ARDV_CLI DATA_DIR
set -u
cli=$(readlink -f "$1")
data=$(readlink -f "$2")
for p in munged slurmctld slurmd sbatch; do
  if ! command -v "$p" > /dev/null 2>&1 && [ ! -x "/usr/sbin/$p" ]; then
    echo "$p is not installed (apt-get install slurm-wlm munge)"
    [ "${CI:-}" = true ] && exit 1
    exit 77
  fi
done
export PATH="$PATH:/usr/sbin"
if [ "$(id -u)" -ne 0 ]; then
  echo "the Slurm daemons of this test need root (slurmd runs jobs as their user)"
  exit 1
fi

work=$(mktemp -d /tmp/ardv-slurm.XXXXXX)
chmod 755 "$work"
stop() {
  for d in slurmd slurmctld munged; do
    [ -s "$work/$d.pid" ] && kill "$(cat "$work/$d.pid")" 2> /dev/null
  done
  for _ in $(seq 50); do
    alive=0
    for d in slurmd slurmctld munged; do
      [ -s "$work/$d.pid" ] && kill -0 "$(cat "$work/$d.pid")" 2> /dev/null && alive=1
    done
    [ $alive -eq 0 ] && break
    sleep 0.1
  done
  rm -rf "$work"
}
trap stop EXIT
trap 'exit 1' INT TERM
failed=0
fail() { echo "$*"; failed=1; }
show_logs() { for f in "$work"/*.log; do echo "== $f"; tail -n 20 "$f"; done; }

# Ports of our own, away from a cluster that may run here.
base=$((20000 + $$ % 20000))
host=$(hostname -s)
mkdir -p "$work/state" "$work/spool" "$work/home/temp" "$work/corpus" "$work/f0" "$work/out"
head -c 1024 /dev/urandom > "$work/munge.key" && chmod 400 "$work/munge.key"
munged --force --key-file="$work/munge.key" --socket="$work/munge.sock" --pid-file="$work/munged.pid" \
  --log-file="$work/munged.log" --seed-file="$work/munge.seed" ||
  { echo "munged did not start"; show_logs; exit 1; }
cat > "$work/slurm.conf" << CONF
ClusterName=ardvtest
SlurmctldHost=$host(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$base
SlurmdPort=$((base + 1))
AuthType=auth/munge
AuthInfo=socket=$work/munge.sock
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerType=sched/builtin
MpiDefault=none
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=ardvtest Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF="$work/slurm.conf"
slurmctld -i || { echo "slurmctld did not start"; show_logs; exit 1; }
slurmd || { echo "slurmd did not start"; show_logs; exit 1; }
for _ in $(seq 100); do
  sinfo -h -o %t 2> /dev/null | grep -q idle && break
  sleep 0.2
done
sinfo -h -o %t 2> /dev/null | grep -q idle || { echo "the node did not come up"; show_logs; exit 1; }

cp -r "$data/." "$work/home/" || exit 1
export ARDV_HOME="$work/home"
for k in 1 2 3 4 5; do
  cp "$data/examples/example.wav" "$work/corpus/s$k.wav" && cp "$data/examples/example.wav" "$work/f0/s$k.wav" || exit 1
done
cd "$work/out" || exit 1

# The lines of docs/corpora.md, with this test's paths.
timeout 120 sbatch --wait --array=1-3 --wrap "$cli search $work/corpus --phonemes '[V];[plos],[V]' --max 1000 \
  --shard \${SLURM_ARRAY_TASK_ID}/3 --list $work/out/part\${SLURM_ARRAY_TASK_ID}.tsv" > /dev/null ||
  fail "the search job array failed"
ls "$work"/f0/*.wav > "$work/list"
timeout 120 sbatch --wait --array=1-2 --wrap "$cli f0-corpus --files-from $work/list --jobs 1 \
  --shard \${SLURM_ARRAY_TASK_ID}/2" > /dev/null || fail "the f0-corpus job array failed"
[ $failed -eq 0 ] || { cat "$work"/out/slurm-*.out; show_logs; exit 1; }

"$cli" search "$work/corpus" --phonemes '[V];[plos],[V]' --max 1000 --list "$work/all.tsv" > /dev/null ||
  fail "unsharded search failed"
sort "$work/all.tsv" > "$work/all.sorted"
cat "$work"/out/part*.tsv | sort > "$work/parts.sorted"
[ -s "$work/all.sorted" ] || fail "the unsharded search found nothing"
cmp -s "$work/all.sorted" "$work/parts.sorted" || fail "the search array's lists differ from the whole run"
"$cli" f0-corpus "$work/corpus" --jobs 1 > /dev/null || fail "unsharded f0-corpus failed"
for k in 1 2 3 4 5; do
  cmp -s "$work/corpus/s$k.pit" "$work/f0/s$k.pit" || fail "s$k.pit differs between the array and the whole run"
done
[ $failed -eq 0 ] && echo "Slurm job arrays: search (3 tasks) and f0-corpus (2 tasks) equal the whole runs"
exit $failed
