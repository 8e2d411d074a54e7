#!/bin/sh
# A Slurm job array: array task K of N renders slice K of N of the models.
#   sbatch deploy/slurm-batch.sh /shared/models /shared/listings [BATCH OPTIONS...]
# The array's size is the number of slices (--array=1-N); resubmitting the same array after a
# failure goes on from each slice's report. Run it inside the container with your site's
# container plugin, or with vantorel-cli and run-slice on the PATH.
#SBATCH --job-name=vantorel-batch
#SBATCH --array=1-8
#SBATCH --cpus-per-task=2
#SBATCH --mem=4G
#SBATCH --time=12:00:00
#SBATCH --output=vantorel-%A_%a.log
set -eu
if [ $# -lt 2 ]; then
  echo "Usage: sbatch slurm-batch.sh MODELS OUT [BATCH OPTIONS...]" >&2
  exit 64
fi
models=$1 out=$2
shift 2
reports=${REPORTS:-$out/.reports}  # hidden in OUT unless REPORTS says otherwise
: "${SLURM_ARRAY_TASK_ID:?run it with sbatch as a job array}"
: "${SLURM_ARRAY_TASK_COUNT:?run it with sbatch as a job array}"
# Array ids count from --array's first value, slices from 1.
k=$((SLURM_ARRAY_TASK_ID - ${SLURM_ARRAY_TASK_MIN:-1} + 1))
exec "${RUN_SLICE:-run-slice}" "$k/$SLURM_ARRAY_TASK_COUNT" "$models" "$out" "$reports" "$@"
