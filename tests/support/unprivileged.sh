#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command as a user who is not root: as given when the caller is not root, else as
# nobody (without groups or capabilities).
set -euo pipefail
if [[ $(id -u) -ne 0 ]]; then exec "$@"; fi
exec setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all "$@"
