#!/usr/bin/env bash
# The benchmark: fpbench.exe after setup and build. Arguments go to fpbench
# (--quick for a short run; --cycles N, --station-seconds S, --callups N, --rounds N).
exec "$(dirname "$0")/run-bin.sh" fpbench.exe "$@"
