#!/usr/bin/env bash
# The soak run (minutes): fpsoak.exe after setup and build. Arguments go to fpsoak
# (--writes N, default 1000; --restarts N, default 10). Exit code 0 when every check passed.
exec "$(dirname "$0")/run-bin.sh" fpsoak.exe "$@"
