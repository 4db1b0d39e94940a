#!/usr/bin/env python3
"""Speaks every sample of the catalogue with espeak-ng, so a fresh build has a
voice to audition. Writes NAME.wav (mono, 16-bit, 22050 Hz) into the given
folder and nowhere else.

    scripts/make-demo-voice.py [--espeak PATH] FOLDER
    scripts/make-demo-voice.py --list      # name<TAB>phrase, one a line
"""
import argparse
import concurrent.futures
import os
import subprocess
import sys
import wave

ORDINALS = ("first", "second", "third", "fourth", "fifth", "sixth")

PHRASES = {
    "TurnLeft": "Turn left",
    "TurnRight": "Turn right",
    "2ndLeft": "Take the second left",
    "2ndRight": "Take the second right",
    "3rdLeft": "Take the third left",
    "3rdRight": "Take the third right",
    "BearLeft": "Bear left",
    "BearRight": "Bear right",
    "SharpLeft": "Turn sharp left",
    "SharpRight": "Turn sharp right",
    "TryUTurn": "If possible, make a U-turn",
    "UTurn": "Make a U-turn",
    "KeepLeft": "Keep left",
    "KeepRight": "Keep right",
    "LnLeft": "Keep in the left lane",
    "LnRight": "Keep in the right lane",
    "Yards": "yards",
    "Meters": "metres",
    "100": "one hundred",
    "200": "two hundred",
    "300": "three hundred",
    "400": "four hundred",
    "50": "fifty",
    "500": "five hundred",
    "600": "six hundred",
    "700": "seven hundred",
    "80": "eighty",
    "800": "eight hundred",
    "After": "After",
    "Then": "Then",
    "RoadEnd": "At the end of the road",
    "Straight": "Go straight on",
    "Arrive": "You have arrived at your destination",
    "Charge": "Charging point",
    "Depart": "Head for the highlighted route",
    "TakeFerry": "Take the ferry",
    "AhExit": "Ahead, take the exit",
    "AhExitLeft": "Ahead, take the exit on the left",
    "AhExitRight": "Ahead, take the exit on the right",
    "AhFerry": "Ahead, take the ferry",
    "AhKeepLeft": "Ahead, keep left",
    "AhKeepRight": "Ahead, keep right",
    "AhLeftTurn": "Ahead, turn left",
    "AhRightTurn": "Ahead, turn right",
    "AhUTurn": "Ahead, make a U-turn",
    "MwEnter": "Enter the motorway",
    "MwExit": "Exit the motorway",
    "MwExitLeft": "Exit the motorway on the left",
    "MwExitRight": "Exit the motorway on the right",
    "RbBack": "At the roundabout, go back the way you came",
    "RbCross": "At the roundabout, go straight across",
    **{f"RbExit{n}": f"At the roundabout, take the {word} exit"
       for n, word in enumerate(ORDINALS, start=1)},
    "RbLeft": "At the roundabout, turn left",
    "RbRight": "At the roundabout, turn right",
}


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
    parser.add_argument("folder", nargs="?")
    parser.add_argument("--espeak", default="espeak-ng")
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()
    if args.list:
        for name, text in PHRASES.items():
            print(f"{name}\t{text}")
        return 0
    if not args.folder:
        parser.error("give the output folder")
    os.makedirs(args.folder, exist_ok=True)
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        jobs = [pool.submit(speak, args.espeak, args.folder, name, text)
                for name, text in PHRASES.items()]
        failures = [str(job.exception()) for job in jobs if job.exception()]
    for failure in failures:
        print(f"make-demo-voice: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
