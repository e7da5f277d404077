#!/usr/bin/env bash
# Replays every file of the corpus through every fuzz target given.
# Usage: replay_corpus.sh CORPUS_FOLDER REPLAY...
set -euo pipefail
corpus=${1:?usage: replay_corpus.sh CORPUS_FOLDER REPLAY...}
shift
for replay in "$@"; do
    "$replay" "$corpus"
done
