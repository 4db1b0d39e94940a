#!/usr/bin/env python3
"""Speaks every sample of the catalogue with espeak-ng, so a fresh build has a
voice to audition. Writes NAME.wav (mono, 16-bit, 22050 Hz) into the given
folder and nowhere else.

    scripts/make-demo-voice.py [--espeak PATH] FOLDER

The lines it speaks are catalogue/lines.tsv's.
"""
import argparse
import concurrent.futures
import os
import subprocess
import sys
import wave

LINES = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                     os.pardir, "catalogue", "lines.tsv")


def read_lines(path):
    """NAME<TAB>line a row, # for comments: the catalogue's lines."""
    with open(path, encoding="utf-8") as table:
        rows = [row.rstrip("\n").split("\t") for row in table
                if row.strip() and not row.startswith("#")]
    return {name: text for name, text in rows}


def check_format(path):
    # The player takes anything libsndfile reads, but the demo voice promises
    # this one format.
    with wave.open(path, "rb") as w:
        got = (w.getnchannels(), w.getsampwidth() * 8, w.getframerate())
    if got != (1, 16, 22050):
        raise RuntimeError(f"{path}: {got}, expected mono 16-bit 22050 Hz")


def speak(espeak, folder, name, text):
    final = os.path.join(folder, name + ".wav")
    part = final + ".part"
    try:
        # Arguments go straight to the program, never through a shell.
        run = subprocess.run([espeak, "-v", "en", "-w", part, text],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                             text=True)
        if run.returncode != 0:
            raise RuntimeError(f"{name}: {run.stderr.strip()}")
        check_format(part)
        os.replace(part, final)
    finally:
        if os.path.exists(part):
            os.remove(part)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--espeak", default="espeak-ng")
    parser.add_argument("folder")
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        jobs = [pool.submit(speak, args.espeak, args.folder, name, text)
                for name, text in read_lines(LINES).items()]
        failures = [str(job.exception()) for job in jobs if job.exception()]
    for failure in failures:
        print(f"make-demo-voice: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
