#!/usr/bin/env bash
# Prints the Linux personality of a program started by the given wine-run.sh. Every step execs, so the
# Windows program keeps this shell's pid (/proc/self would be the wine server, which opens the file).
exec "$1" cmd /c type "Z:\\proc\\$$\\personality"
