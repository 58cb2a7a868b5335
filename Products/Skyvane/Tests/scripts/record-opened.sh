#!/bin/sh
# Stands in for the desktop's opener: records what it was asked to open.
printf '%s\n' "$@" >> "$HOME/opened"
