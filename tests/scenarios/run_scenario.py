#!/usr/bin/env python3
"""Runs one scenario file and compares its transcript with the file.

A scenario reads like a session at the program:

    # a comment
    $ shell command          run by bash in the program folder $DIR; its output follows
    > driver command         consecutive driver lines form one start of the program, and
                             "> dir" always begins a new one
    @user nobody             later runs and shell lines run as that user (when root)
    any other line           expected output of the line before it; blank lines count

Driver lines may use $DIR; in the output, the folder's path reads $DIR again. A non-zero
exit adds "[exit N]". Qt's own warnings ("qt: ...") are left out.
"""
import argparse
import difflib
import os
import shutil
import subprocess
import sys
import tempfile


def parse(path):
    steps = []  # ("shell", line) | ("drive", [lines]) | ("user", name)
    expected = []
    with open(path, encoding="utf-8") as f:
        for raw in f:
            line = raw.rstrip("\n")
            if line.startswith("#"):
                continue
            if line.startswith("> "):
                if not steps or steps[-1][0] != "drive" or line.startswith("> dir "):
                    steps.append(("drive", []))
                steps[-1][1].append(line[2:])
                expected.append(line)
            elif line.startswith("$ "):
                steps.append(("shell", line[2:]))
                expected.append(line)
            elif line.startswith("@user "):
                steps.append(("user", line[6:].strip()))
            else:
                expected.append(line)
    return steps, expected


def as_user(user, command):
    if user is None or os.geteuid() != 0:
        return command
    return ["setpriv", f"--reuid={user}", f"--regid={user if user != 'nobody' else 'nogroup'}",
            "--clear-groups", "--"] + command


def clean(text, folder):
    lines = []
    pieces = text.replace(folder, "$DIR").split("\n")
    if pieces and pieces[-1] == "":
        pieces.pop()
    for line in pieces:
        if not line.startswith("qt: "):
            lines.append(line)
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--drive", required=True)
    parser.add_argument("--mkbooks", required=True)
    parser.add_argument("--sheet", required=True)
    parser.add_argument("scenario")
    args = parser.parse_args()
    args.drive = os.path.abspath(args.drive)
    args.mkbooks = os.path.abspath(args.mkbooks)
    args.sheet = os.path.abspath(args.sheet)

    steps, expected = parse(args.scenario)
    folder = tempfile.mkdtemp(prefix="scenario-")
    os.chmod(folder, 0o755)
    env = dict(os.environ, DIR=folder, MKBOOKS=args.mkbooks, DRIVE=args.drive,
               SHEET=args.sheet,
               PDFTEXT=os.path.join(os.path.dirname(os.path.abspath(__file__)), "pdftext.py"),
               SOURCE=os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
               QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8", HOME=folder,
               # No scenario may reach a printer of the machine: the print system it
               # asks is one that is not there, so printing without `printto` finds none.
               CUPS_SERVER=os.path.join(folder, "no-cups.sock"))
    actual = []
    user = None
    try:
        for kind, payload in steps:
            if kind == "user":
                user = payload
                continue
            if kind == "shell":
                actual.append("$ " + payload)
                run = subprocess.run(as_user(user, ["bash", "-c", payload]), cwd=folder, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            else:
                script = "".join(line.replace("$DIR", folder) + "\n" for line in payload)
                run = subprocess.run(as_user(user, [args.drive, "--echo"]), cwd="/", env=env,
                                     input=script.encode(), stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, timeout=120)
            actual += clean(run.stdout.decode("utf-8", "replace"), folder)
            if run.returncode != 0:
                actual.append(f"[exit {run.returncode}]")
    finally:
        subprocess.run(["chmod", "-R", "u+rwX", folder])
        shutil.rmtree(folder, ignore_errors=True)

    if actual != expected:
        sys.stdout.writelines(line + "\n" for line in difflib.unified_diff(
            expected, actual, "expected", "actual", lineterm=""))
        return 1
    print(f"{os.path.basename(args.scenario)}: {len(steps)} steps as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
