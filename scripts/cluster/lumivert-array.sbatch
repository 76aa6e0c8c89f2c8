#!/usr/bin/env bash
# A Slurm job array that converts a list file: the K-th task of the array
# (from 0) converts shard K of the list (see convert-shard), all into one
# shared output folder.
#
#   sbatch --array=0-15 scripts/cluster/lumivert-array.sbatch /shared/list.txt \
#     -o /shared/out -c png --filename-mask=%filename%.%ext%
#
# Paths in the list and the options must be valid on every node (absolute, on
# a shared file system), and the output folder must exist. The array is one
# range: its size is the number of shards, and its first task converts shard 0
# (--array=1-8 is as good as 0-7, --array=0-14:2 as 0-7; --array=0-99%10 runs
# ten at a time). An array of other task numbers (--array=1,2,5) is refused by
# every task. To run some shards again, give the number of shards in
# LUMIVERT_SHARDS; the task numbers are then the shards:
# LUMIVERT_SHARDS=16 sbatch --array=3,7 ...
# Each task converts as many files at once as it has CPUs (--cpus-per-task); a
# --threads=N among the options wins. The program is $LUMIVERT or lumivert on
# the PATH; convert-shard is $CONVERT_SHARD, else scripts/cluster/convert-shard
# under the folder sbatch was called from, else on the PATH (Slurm runs a copy
# of this script, so the script's own folder is no help).
#SBATCH --job-name=lumivert
#SBATCH --cpus-per-task=2
#SBATCH --output=lumivert-%A_%a.log
set -euo pipefail

[ $# -ge 1 ] || {
  echo "Usage: sbatch --array=0-N $(basename "$0") LIST [LUMIVERT-OPTIONS...]" >&2
  exit 2
}
list=$1
shift
[ -n "${SLURM_ARRAY_TASK_ID:-}" ] || {
  echo "$(basename "$0"): not an array task (submit with sbatch --array=0-N)" >&2
  exit 2
}

refuse() {
  echo "$(basename "$0"): $*" >&2
  exit 2
}
number() { [[ ${2:-} =~ ^[0-9]{1,9}$ ]] || refuse "$1 is not a number: ${2:-(not set)}"; }

if [ -n "${LUMIVERT_SHARDS:-}" ]; then
  shard=$SLURM_ARRAY_TASK_ID
  count=$LUMIVERT_SHARDS
else
  # Shards count from 0 whatever the array's first index and step: task
  # MIN + K * STEP converts shard K of COUNT. An array that is no such range
  # (--array=1,2,5) would leave shards unconverted, so every task refuses it.
  [ -n "${SLURM_ARRAY_TASK_COUNT:-}" ] ||
    refuse "SLURM_ARRAY_TASK_COUNT not set: give the number of shards in LUMIVERT_SHARDS"
  number SLURM_ARRAY_TASK_ID "$SLURM_ARRAY_TASK_ID"
  number SLURM_ARRAY_TASK_COUNT "$SLURM_ARRAY_TASK_COUNT"
  number SLURM_ARRAY_TASK_MIN "${SLURM_ARRAY_TASK_MIN:-0}"
  number SLURM_ARRAY_TASK_STEP "${SLURM_ARRAY_TASK_STEP:-1}"
  id=$((10#$SLURM_ARRAY_TASK_ID))
  count=$((10#$SLURM_ARRAY_TASK_COUNT))
  min=$((10#${SLURM_ARRAY_TASK_MIN:-0}))
  step=$((10#${SLURM_ARRAY_TASK_STEP:-1}))
  last=$((min + (count - 1) * step))
  if [ -n "${SLURM_ARRAY_TASK_MAX:-}" ]; then
    number SLURM_ARRAY_TASK_MAX "$SLURM_ARRAY_TASK_MAX"
  fi
  if [ "$count" -lt 1 ] || [ "$step" -lt 1 ] || [ "$id" -lt "$min" ] ||
    [ $(((id - min) % step)) -ne 0 ] || [ "$id" -gt "$last" ] ||
    { [ -n "${SLURM_ARRAY_TASK_MAX:-}" ] && [ "$((10#$SLURM_ARRAY_TASK_MAX))" -ne "$last" ]; }; then
    refuse "task $SLURM_ARRAY_TASK_ID: the array is not one range with one step" \
      "(min ${SLURM_ARRAY_TASK_MIN:-unset}, max ${SLURM_ARRAY_TASK_MAX:-unset}," \
      "step ${SLURM_ARRAY_TASK_STEP:-unset}, count $SLURM_ARRAY_TASK_COUNT);" \
      "submit --array=FIRST-LAST[:STEP], or give the number of shards in LUMIVERT_SHARDS" \
      "and the shards as task numbers"
  fi
  shard=$(((id - min) / step))
fi

convert_shard=${CONVERT_SHARD:-}
if [ -z "$convert_shard" ]; then
  for candidate in "${SLURM_SUBMIT_DIR:-.}/scripts/cluster/convert-shard" \
    "$(dirname "$0")/convert-shard" "$(command -v convert-shard || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
      convert_shard=$candidate
      break
    fi
  done
fi
[ -n "$convert_shard" ] || {
  echo "$(basename "$0"): convert-shard not found (set CONVERT_SHARD)" >&2
  exit 2
}

threads=()
[ -z "${SLURM_CPUS_PER_TASK:-}" ] || threads=("--threads=$SLURM_CPUS_PER_TASK")
# The empty-array form also works with the older bash of many cluster nodes.
exec "$convert_shard" "$list" "$shard" "$count" -- ${threads[@]+"${threads[@]}"} "$@"
