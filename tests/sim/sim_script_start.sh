# How the simulated game's shell tests start, sourced with their arguments: strict mode, the
# game, the scenario and the run directory as absolute paths, the scripts folder, and fail().
set -euo pipefail
sim=$(realpath "$1") scenario=$(realpath "$2") run=$(realpath -m "$3")
scripts=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../../scripts")
fail() { echo "FAIL: $*" >&2; exit 1; }
